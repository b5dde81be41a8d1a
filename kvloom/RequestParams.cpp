#include "kvloom/RequestParams.h"

#include "kvfoundation/base/KVCast.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVBool.h"
#include "kvfoundation/data/IKVNumber.h"
#include "kvfoundation/ncomm/NCException.h"
#include "kvfoundation/util/Format.h"
#include "kvloom/LoomErrors.h"

namespace kvloom {

using kvfoundation::base::IKVType;
using kvfoundation::base::KVCast;
namespace data = kvfoundation::data;

namespace {

[[noreturn]] void Missing(const char* key) {
    throw kvfoundation::ncomm::NCException(
        data::Literal(errors::kBadRequest),
        kvfoundation::util::Format("missing parameter: %@", data::Literal(key)));
}

}  // namespace

IKVType* RequestParams::Lookup(const char* key) const {
    return params_ == nullptr ? nullptr : params_->ObjectForKey(data::Literal(key));
}

IKVType* RequestParams::Required(const char* key) const {
    IKVType* value = Lookup(key);
    if (value == nullptr) {
        Missing(key);
    }
    return value;
}

data::IKVString* RequestParams::RequiredString(const char* key) const {
    return KVCast<data::IKVString>(Required(key));
}

data::IKVList* RequestParams::RequiredList(const char* key) const {
    return KVCast<data::IKVList>(Required(key));
}

data::IKVData* RequestParams::RequiredData(const char* key) const {
    return KVCast<data::IKVData>(Required(key));
}

data::IKVList* RequestParams::RequiredNonEmptyList(const char* key) const {
    data::IKVList* list = RequiredList(key);
    if (list->Count() == 0) {
        Missing(key);
    }
    return list;
}

data::IKVString* RequestParams::OptionalString(const char* key, data::IKVString* fallback) const {
    IKVType* value = Lookup(key);
    return value == nullptr ? fallback : KVCast<data::IKVString>(value);
}

bool RequestParams::OptionalBool(const char* key, bool fallback) const {
    IKVType* value = Lookup(key);
    return value == nullptr ? fallback : KVCast<data::IKVBool>(value)->BoolValue();
}

int32_t RequestParams::OptionalNumber(const char* key, int32_t fallback) const {
    IKVType* value = Lookup(key);
    return value == nullptr ? fallback : KVCast<data::IKVNumber>(value)->Int32Value();
}

data::IKVList* RequestParams::OptionalList(const char* key, data::IKVList* fallback) const {
    IKVType* value = Lookup(key);
    return value == nullptr ? fallback : KVCast<data::IKVList>(value);
}

data::IKVString* RequestParams::Extension(data::IKVString* path) const {
    if (IKVType* ext = Lookup("ext")) {
        return KVCast<data::IKVString>(ext);
    }
    const char16_t* units = path->Characters();
    for (int32_t i = path->Length() - 1; i >= 0; --i) {
        if (units[i] == u'.') {
            return data::CreateString(units + i + 1, path->Length() - i - 1);
        }
        if (units[i] == u'/') {
            break;  // a dot in a directory name is no extension
        }
    }
    return data::Literal("");
}

}  // namespace kvloom
