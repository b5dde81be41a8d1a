#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/data/IKVData.h"

namespace kvfoundation::data {

namespace data_ops {
// "<class 0x…> { length = n, bytes = 0x…}": every byte below 24 bytes, else the first 16,
// " ... " and the last 8.
IKVString* Describe(const IKVData* data);
// An immutable copy owned by the caller.
IKVData* CopyBytes(const IKVData* data);
}  // namespace data_ops

template <class I>
class DataT : public base::KVObjectT<I> {
public:
    IKVString* Description() const override { return data_ops::Describe(this); }
};

}  // namespace kvfoundation::data
