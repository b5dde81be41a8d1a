#include "kvfoundation/data/MutableList.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVOutOfMemory.h"
#include "kvfoundation/base/KVOutOfRange.h"
#include "kvfoundation/data/List.h"
#include "kvfoundation/data/Nil.h"
#include "kvfoundation/data/StringT.h"

namespace kvfoundation::data {

namespace {

void CheckElements(int32_t count, base::IKVType* const* objects) {
    if (count < 0) {
        throw base::KVIllegalArgument("count < 0");
    }
    if (count > 0 && objects == nullptr) {
        throw base::KVNullPtr("objects");
    }
    for (int32_t i = 0; i < count; ++i) {
        if (objects[i] == nullptr) {
            throw base::KVNullPtr("object");
        }
    }
}

}  // namespace

MutableList* MutableList::Create(int32_t capacity) {
    if (capacity < 0) {
        throw base::KVIllegalArgument("maxCapacity < 0");
    }
    return new MutableList();
}

MutableList::~MutableList() {
    for (int32_t i = 0; i < count_; ++i) {
        elements_[i]->Release();
    }
    std::free(elements_);
}

IKVList* MutableList::Copy() const {
    return List::Create(count_, elements_);
}

void MutableList::Reserve(int64_t count) {
    if (count <= capacity_) {
        return;
    }
    if (count > INT32_MAX) {
        throw base::KVOutOfMemory();
    }
    int64_t capacity = capacity_ == 0 ? 8 : capacity_;
    while (capacity < count) {
        capacity *= 2;
    }
    capacity = capacity > INT32_MAX ? INT32_MAX : capacity;
    auto* grown = static_cast<base::IKVType**>(
        std::realloc(elements_, static_cast<size_t>(capacity) * sizeof(base::IKVType*)));
    if (grown == nullptr) {
        throw base::KVOutOfMemory();
    }
    elements_ = grown;
    capacity_ = static_cast<int32_t>(capacity);
}

void MutableList::InsertAt(int32_t index, int32_t count, base::IKVType* const* objects) {
    // Retain first: `objects` may point into this list's own array, which Reserve may move.
    for (int32_t i = 0; i < count; ++i) {
        objects[i]->Retain();
    }
    std::vector<base::IKVType*> aside;
    if (elements_ != nullptr && objects >= elements_ && objects < elements_ + capacity_) {
        aside.assign(objects, objects + count);
        objects = aside.data();
    }
    try {
        Reserve(int64_t{count_} + count);
    } catch (...) {
        for (int32_t i = 0; i < count; ++i) {
            objects[i]->Release();
        }
        throw;
    }
    std::memmove(elements_ + index + count, elements_ + index,
                 static_cast<size_t>(count_ - index) * sizeof(base::IKVType*));
    std::memcpy(elements_ + index, objects, static_cast<size_t>(count) * sizeof(base::IKVType*));
    count_ += count;
}

void MutableList::AddObjects(int32_t count, base::IKVType* const* objects) {
    CheckElements(count, objects);
    if (count > 0) {
        InsertAt(count_, count, objects);
    }
}

void MutableList::AddObject(base::IKVType* object) {
    AddObjects(1, &object);
}

void MutableList::InsertObjectAt(int32_t index, base::IKVType* object) {
    if (index < 0 || index > count_) {
        throw base::KVOutOfRange(index, 0, count_);
    }
    CheckElements(1, &object);
    InsertAt(index, 1, &object);
}

void MutableList::ReplaceObjectAt(int32_t index, base::IKVType* object) {
    if (index < 0 || index >= count_) {
        throw base::KVOutOfRange(index, 0, count_);
    }
    CheckElements(1, &object);
    object->Retain();
    base::IKVType* old = elements_[index];
    elements_[index] = object;
    old->Release();
}

void MutableList::RemoveObjects(int32_t start, int32_t count) {
    string_ops::CheckRange(start, count, count_);
    if (count == 0) {
        return;
    }
    // Take the elements out before releasing them: a release may run code that reads the list.
    std::vector<base::IKVType*> removed(elements_ + start, elements_ + start + count);
    std::memmove(elements_ + start, elements_ + start + count,
                 static_cast<size_t>(count_ - start - count) * sizeof(base::IKVType*));
    count_ -= count;
    for (base::IKVType* object : removed) {
        object->Release();
    }
}

void MutableList::RemoveObjectAt(int32_t index) {
    if (index < 0 || index >= count_) {
        throw base::KVOutOfRange(index, 0, count_);
    }
    RemoveObjects(index, 1);
}

void MutableList::SetCount(int32_t newCount) {
    if (newCount < 0) {
        throw base::KVIllegalArgument("newSize < 0");
    }
    if (newCount < count_) {
        RemoveObjects(newCount, count_ - newCount);
        return;
    }
    Reserve(newCount);
    base::IKVType* null = Nil::Get();
    while (count_ < newCount) {
        elements_[count_++] = base::Retained(null);
    }
}

}  // namespace kvfoundation::data
