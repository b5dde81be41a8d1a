#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/IKVIterator.h"
#include "kvfoundation/data/IKVList.h"

namespace kvfoundation::data {

// Walks a list from index 0 to the count it had when the iterator was made; keeps the list
// alive. A list that shrank meanwhile makes Next raise KVOutOfRange.
class ListIter final : public base::KVObjectT<IKVIterator> {
public:
    // Owned by the caller (count 1).
    static ListIter* Create(const IKVList* list);

    bool HasNext() const override { return current_ != limit_; }
    // Past the end: KVIllegalState "current_ == limit_".
    base::IKVType* Next() override;

private:
    explicit ListIter(const IKVList* list);
    ~ListIter() override = default;

    base::KVRefCountT<IKVList> list_;
    int32_t current_ = 0;
    int32_t limit_;
};

}  // namespace kvfoundation::data
