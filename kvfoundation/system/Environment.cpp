#include "kvfoundation/system/Environment.h"

#include <cstring>

#include "kvfoundation/base/KVCast.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/data/IKVList.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/posix/PosixEnvironment.h"

namespace kvfoundation::system {

namespace {

bool EqualsAscii(base::IKVType* element, const char* text, std::size_t textLength) {
    const auto* string = base::KVDynamicCast<data::IKVString>(element);
    if (string == nullptr || static_cast<std::size_t>(string->Length()) != textLength) {
        return false;
    }
    const char16_t* units = string->Characters();
    for (std::size_t i = 0; i < textLength; ++i) {
        if (units[i] != static_cast<unsigned char>(text[i])) {
            return false;
        }
    }
    return true;
}

// Index of the first argument equal to `option`, or -1.
std::int32_t IndexOfOption(const data::IKVList* arguments, const char* option) {
    if (arguments == nullptr || option == nullptr) {
        throw base::KVNullPtr(arguments == nullptr ? "arguments" : "option");
    }
    const std::size_t length = std::strlen(option);
    const std::int32_t count = arguments->Count();
    for (std::int32_t i = 0; i < count; ++i) {
        if (EqualsAscii(arguments->ObjectAt(i), option, length)) {
            return i;
        }
    }
    return -1;
}

}  // namespace

IKVEnvironment* GetEnvironment() {
    return posix::PosixEnvironment::Instance();
}

bool HasOption(const data::IKVList* arguments, const char* option) {
    return IndexOfOption(arguments, option) >= 0;
}

data::IKVString* OptionValue(const data::IKVList* arguments, const char* option) {
    const std::int32_t index = IndexOfOption(arguments, option);
    if (index < 0 || index + 1 >= arguments->Count()) {
        return nullptr;
    }
    return base::KVDynamicCast<data::IKVString>(arguments->ObjectAt(index + 1));
}

}  // namespace kvfoundation::system
