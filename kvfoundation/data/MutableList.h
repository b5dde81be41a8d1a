#pragma once

#include "kvfoundation/data/IKVMutableList.h"
#include "kvfoundation/data/ListT.h"

namespace kvfoundation::data {

// A list that can change. Its array starts empty (the capacity given to the factory is only
// checked); when room is needed the capacity becomes 8 if it was 0 and doubles until the
// elements fit.
class MutableList final : public ListT<IKVMutableList> {
public:
    // Owned by the caller (count 1). "maxCapacity < 0".
    static MutableList* Create(int32_t capacity);

    IKVList* Copy() const override;
    void AddObjects(int32_t count, base::IKVType* const* objects) override;
    void AddObject(base::IKVType* object) override;
    void InsertObjectAt(int32_t index, base::IKVType* object) override;
    void ReplaceObjectAt(int32_t index, base::IKVType* object) override;
    void RemoveObjects(int32_t start, int32_t count) override;
    void RemoveObjectAt(int32_t index) override;
    void SetCount(int32_t newCount) override;
    int32_t Capacity() const { return capacity_; }

protected:
    base::IKVType* const* Elements() const override { return elements_; }
    int32_t CountOfElements() const override { return count_; }

private:
    MutableList() = default;
    ~MutableList() override;

    void Reserve(int64_t count);
    void InsertAt(int32_t index, int32_t count, base::IKVType* const* objects);

    base::IKVType** elements_ = nullptr;
    int32_t count_ = 0;
    int32_t capacity_ = 0;
};

}  // namespace kvfoundation::data
