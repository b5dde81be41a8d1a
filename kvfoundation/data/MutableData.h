#pragma once

#include "kvfoundation/data/DataT.h"
#include "kvfoundation/data/IKVMutableData.h"

namespace kvfoundation::data {

// Mutable bytes in a separate buffer that grows (doubling) when needed.
class MutableData final : public DataT<IKVMutableData> {
public:
    // Owned by the caller (count 1). "length < 0".
    static MutableData* Create(int32_t capacity);

    IKVData* Copy() const override { return data_ops::CopyBytes(this); }
    const uint8_t* Bytes() const override { return bytes_; }
    int32_t Length() const override { return length_; }
    uint8_t* MutableBytes() override { return bytes_; }
    void SetLength(int32_t newLength) override;
    void IncreaseLength(int32_t extraLength) override;
    void AppendBytes(const void* bytes, int32_t length) override;
    int32_t Capacity() const override { return capacity_; }

private:
    MutableData() = default;
    ~MutableData() override;

    void Reserve(int64_t length);

    int32_t length_ = 0;
    int32_t capacity_ = 0;
    uint8_t* bytes_ = nullptr;
};

}  // namespace kvfoundation::data
