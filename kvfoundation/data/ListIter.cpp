#include "kvfoundation/data/ListIter.h"

#include "kvfoundation/base/KVIllegalState.h"

namespace kvfoundation::data {

ListIter* ListIter::Create(const IKVList* list) {
    return new ListIter(list);
}

ListIter::ListIter(const IKVList* list)
    : list_(const_cast<IKVList*>(list)), limit_(list->Count()) {}

base::IKVType* ListIter::Next() {
    if (current_ == limit_) {
        throw base::KVIllegalState("current_ == limit_");
    }
    base::IKVType* element = list_->ObjectAt(current_);
    ++current_;
    return element;
}

}  // namespace kvfoundation::data
