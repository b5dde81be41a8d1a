#include "kvfoundation/base/KVException.h"

#include <cstring>
#include <typeinfo>

#include "kvfoundation/base/ClassName.h"
#include "kvfoundation/data/UTF16String.h"
#include "kvfoundation/impl/KVLiteral.h"
#include "kvfoundation/util/ProcessLog.h"

namespace kvfoundation::base {

namespace {

data::IKVString* CopyOfASCII(const char* text) {
    if (text == nullptr) {
        return impl::KVLiteral::Intern(nullptr);
    }
    return data::UTF16String::CreateFromASCII(text, static_cast<int32_t>(std::strlen(text)));
}

}  // namespace

KVException::KVException(data::IKVString* message) : message_(Retained(message)) {}

KVException::KVException(const char* message) : message_(CopyOfASCII(message)) {}

KVException::KVException(const KVException& other)
    : IKVException(other), message_(Retained(other.message_)) {}

KVException::~KVException() {
    if (message_ != nullptr) {
        message_->Release();
    }
}

data::IKVString* KVException::Message() const {
    return message_;
}

void KVException::Log(int32_t level) const {
    util::LogFormat(level, "%@: %@\nTrace: %@", TypeName(typeid(*this)), Message(), Trace());
}

}  // namespace kvfoundation::base
