#pragma once

#include "kvfoundation/base/IKVType.h"
#include "kvfoundation/base/KVBadCast.h"

namespace kvfoundation::base {

// Checked cast of an object to an interface: null stays null, a wrong kind raises KVBadCast.
template <class T>
T* KVCast(IKVType* object) {
    if (object == nullptr) {
        return nullptr;
    }
    if (T* result = dynamic_cast<T*>(object)) {
        return result;
    }
    throw KVBadCast(object, typeid(T));
}

template <class T>
const T* KVCast(const IKVType* object) {
    if (object == nullptr) {
        return nullptr;
    }
    if (const T* result = dynamic_cast<const T*>(object)) {
        return result;
    }
    throw KVBadCast(object, typeid(T));
}

// Unchecked test of kind: null when the object is not a T.
template <class T>
T* KVDynamicCast(IKVType* object) {
    return dynamic_cast<T*>(object);
}

}  // namespace kvfoundation::base
