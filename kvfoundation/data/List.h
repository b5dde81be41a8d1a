#pragma once

#include "kvfoundation/data/ListT.h"

namespace kvfoundation::data {

// Immutable list; the count and the element references live in the object's own allocation.
class List final : public ListT<IKVList> {
public:
    // Retains the elements; owned by the caller (count 1). "count < 0"; null elements raise
    // KVNullPtr.
    static List* Create(int32_t count, base::IKVType* const* elements);

    IKVList* Copy() const override { return base::Retained(const_cast<List*>(this)); }

    static void operator delete(void* pointer) { ::operator delete(pointer); }

protected:
    base::IKVType* const* Elements() const override {
        return reinterpret_cast<base::IKVType* const*>(this + 1);
    }
    int32_t CountOfElements() const override { return count_; }

private:
    explicit List(int32_t count) : count_(count) {}
    ~List() override;

    int32_t count_;
    // The element references follow the object in the same allocation.
};

}  // namespace kvfoundation::data
