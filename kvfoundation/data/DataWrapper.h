#pragma once

#include "kvfoundation/data/DataT.h"

namespace kvfoundation::data {

// Immutable view of bytes owned elsewhere, which must outlive it. Copy makes real Data.
class DataWrapper final : public DataT<IKVData> {
public:
    // Owned by the caller (count 1). "length < 0".
    static DataWrapper* Create(const void* bytes, int32_t length);

    IKVData* Copy() const override { return data_ops::CopyBytes(this); }
    const uint8_t* Bytes() const override { return bytes_; }
    int32_t Length() const override { return length_; }

private:
    DataWrapper(const uint8_t* bytes, int32_t length) : bytes_(bytes), length_(length) {}
    ~DataWrapper() override = default;

    const uint8_t* bytes_;
    int32_t length_;
};

}  // namespace kvfoundation::data
