#include "kvfoundation/data/List.h"

#include <new>

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVOutOfMemory.h"

namespace kvfoundation::data {

List* List::Create(int32_t count, base::IKVType* const* elements) {
    if (count < 0) {
        throw base::KVIllegalArgument("count < 0");
    }
    if (count > 0 && elements == nullptr) {
        throw base::KVNullPtr("elements");
    }
    for (int32_t i = 0; i < count; ++i) {
        if (elements[i] == nullptr) {
            throw base::KVNullPtr("element");
        }
    }
    void* memory = ::operator new(
        sizeof(List) + sizeof(base::IKVType*) * static_cast<size_t>(count), std::nothrow);
    if (memory == nullptr) {
        throw base::KVOutOfMemory();
    }
    auto* list = new (memory) List(count);
    auto** slots = reinterpret_cast<base::IKVType**>(list + 1);
    for (int32_t i = 0; i < count; ++i) {
        slots[i] = elements[i];
        slots[i]->Retain();
    }
    return list;
}

List::~List() {
    auto** slots = reinterpret_cast<base::IKVType**>(this + 1);
    for (int32_t i = 0; i < count_; ++i) {
        slots[i]->Release();
    }
}

}  // namespace kvfoundation::data
