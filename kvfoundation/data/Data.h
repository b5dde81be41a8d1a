#pragma once

#include "kvfoundation/data/DataT.h"

namespace kvfoundation::data {

// Immutable bytes in the object's own allocation.
class Data final : public DataT<IKVData> {
public:
    // A copy of the bytes owned by the caller (count 1). "length < 0".
    static Data* Create(const void* bytes, int32_t length);

    IKVData* Copy() const override { return base::Retained(const_cast<Data*>(this)); }
    const uint8_t* Bytes() const override { return reinterpret_cast<const uint8_t*>(this + 1); }
    int32_t Length() const override { return length_; }

    static void operator delete(void* pointer) { ::operator delete(pointer); }

private:
    explicit Data(int32_t length) : length_(length) {}
    ~Data() override = default;

    int32_t length_;
    // The bytes follow the object in the same allocation.
};

}  // namespace kvfoundation::data
