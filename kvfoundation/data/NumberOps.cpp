#include "kvfoundation/data/NumberOps.h"

#include "kvfoundation/data/KindCast.h"
#include "kvfoundation/data/UTF16String.h"

namespace kvfoundation::data::number_ops {

bool Equals(const IKVNumber* self, const base::IKVType* other) {
    if (other == self) {
        return true;
    }
    const auto* number = KindCast<IKVNumber>(other);
    if (number == nullptr) {
        return false;
    }
    if (!self->IsFloat() && !number->IsFloat()) {
        return self->Int64Value() == number->Int64Value();
    }
    return self->DoubleValue() == number->DoubleValue();
}

IKVString* Describe(const char* text, int length) {
    return base::AutoReleased<IKVString>(
        UTF16String::CreateFromASCII(text, length < 0 ? 0 : length));
}

}  // namespace kvfoundation::data::number_ops
