#include <cstring>

#include "kvfoundation/base/ClassName.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVOutOfRange.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVIterator.h"
#include "kvfoundation/data/ListIter.h"
#include "kvfoundation/data/ListT.h"
#include "kvfoundation/data/StringT.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::data::list_ops {

IKVString* Describe(const IKVList* list, base::IKVType* const* elements, int32_t count) {
    IKVMutableString* text = CreateMutableString(0);
    util::AppendFormat(text, "<%@ %#p> { count = %u, values = (\n", base::ClassName(list), list,
                       static_cast<unsigned>(count));
    for (int32_t i = 0; i < count; ++i) {
        util::AppendFormat(text, "\t%u : %@\n", static_cast<unsigned>(i), elements[i]);
    }
    text->AppendASCII(") }", 3);
    return text;
}

bool Contains(base::IKVType* const* elements, int32_t count, const base::IKVType* object) {
    for (int32_t i = 0; i < count; ++i) {
        if (elements[i]->Equals(object)) {
            return true;
        }
    }
    return false;
}

bool ContainsAll(const IKVList* list, const IKVCollection* collection) {
    if (collection == nullptr) {
        throw base::KVNullPtr("collection");
    }
    IKVIterator* iterator = collection->Iterator();
    while (iterator->HasNext()) {
        if (!list->Contains(iterator->Next())) {
            return false;
        }
    }
    return true;
}

void GetObjects(base::IKVType* const* elements, int32_t count, base::IKVType** buffer,
                int32_t start, int32_t length) {
    string_ops::CheckRange(start, length, count);
    if (length > 0) {
        if (buffer == nullptr) {
            throw base::KVNullPtr("buffer");
        }
        std::memcpy(buffer, elements + start, static_cast<size_t>(length) * sizeof(*buffer));
    }
}

base::IKVType* ObjectAt(base::IKVType* const* elements, int32_t count, int32_t index) {
    if (index < 0 || index >= count) {
        throw base::KVOutOfRange(index, 0, count);
    }
    return elements[index];
}

IKVIterator* Iterator(const IKVList* list) {
    return base::AutoReleased<IKVIterator>(ListIter::Create(list));
}

}  // namespace kvfoundation::data::list_ops
