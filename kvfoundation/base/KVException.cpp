#include "kvfoundation/base/KVException.h"

#include <cstring>
#include <typeinfo>

#include "kvfoundation/base/ClassName.h"
#include "kvfoundation/data/UTF16String.h"
#include "kvfoundation/impl/KVLiteral.h"
#include "kvfoundation/util/ProcessLog.h"

namespace kvfoundation::base {

namespace {

KVRefCountT<data::IKVString> CopyOfASCII(const char* text) {
    if (text == nullptr) {
        return impl::KVLiteral::Intern(nullptr);
    }
    return KVRefCountT<data::IKVString>::Adopt(
        data::UTF16String::CreateFromASCII(text, static_cast<int32_t>(std::strlen(text))));
}

}  // namespace

KVException::KVException(data::IKVString* message) : message_(message) {}

KVException::KVException(const char* message) : message_(CopyOfASCII(message)) {}

data::IKVString* KVException::Message() const {
    return message_.get();
}

void KVException::Log(int32_t level) const {
    util::LogFormat(level, "%@: %@\nTrace: %@", TypeName(typeid(*this)), Message(), Trace());
}

}  // namespace kvfoundation::base
