#pragma once

#include "kvfoundation/data/DataT.h"
#include "kvfoundation/data/IKVMutableData.h"

namespace kvfoundation::data {

// Mutable bytes of a fixed capacity of at most 65535, in the object's own 16-byte aligned,
// zero-filled allocation. A length beyond the capacity raises KVOutOfRange.
class alignas(16) FixedMutableData final : public DataT<IKVMutableData> {
public:
    static constexpr int32_t kMaxCapacity = 65535;

    // Owned by the caller (count 1). "length < 0"; above kMaxCapacity KVIllegalArgument.
    static FixedMutableData* Create(int32_t capacity);

    IKVData* Copy() const override { return data_ops::CopyBytes(this); }
    const uint8_t* Bytes() const override { return reinterpret_cast<const uint8_t*>(this + 1); }
    int32_t Length() const override { return length_; }
    uint8_t* MutableBytes() override { return reinterpret_cast<uint8_t*>(this + 1); }
    void SetLength(int32_t newLength) override;
    void IncreaseLength(int32_t extraLength) override;
    void AppendBytes(const void* bytes, int32_t length) override;
    int32_t Capacity() const override { return capacity_; }

    static void operator delete(void* pointer);

private:
    explicit FixedMutableData(uint16_t capacity) : capacity_(capacity) {}
    ~FixedMutableData() override = default;

    uint16_t length_ = 0;
    uint16_t capacity_;
    // The bytes follow the object; alignas(16) keeps them 16-byte aligned.
};

}  // namespace kvfoundation::data
