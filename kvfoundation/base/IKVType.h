#pragma once

#include <cstdint>

namespace kvfoundation::data {
class IKVString;
}
namespace kvfoundation::thread {
class IKVMonitor;
}

namespace kvfoundation::base {

// The root of every foundation object. The eight root operations come first, in this order;
// interfaces and classes add their operations after them.
//
// Ownership: an object starts with a count of 1. Factories hand out autoreleased objects
// (borrowed by the caller until the enclosing AutoReleasePool closes); keep one with a
// KVRefCountT. An object created with a count of 0 is an immortal shared constant.
class IKVType {
public:
    // The reference count; 2147483647 for immortal objects.
    virtual int32_t RetainCount() const = 0;
    // Adds one reference; returns the object itself.
    virtual IKVType* Retain() = 0;
    // Drops one reference; the last one destroys the object.
    virtual void Release() = 0;
    // Hands one reference to the calling thread's innermost AutoReleasePool.
    virtual IKVType* AutoRelease() = 0;
    // True only for the same object unless a value class says otherwise.
    virtual bool Equals(const IKVType* other) const = 0;
    // The object's address unless a value class says otherwise.
    virtual uint32_t Hash() const = 0;
    // Borrowed (autoreleased or immortal) text; "<class name 0x…>" by default.
    virtual data::IKVString* Description() const = 0;
    // Enters the object's recursive monitor and returns it; the caller calls Unlock on it
    // (thread::ScopedLock does both).
    virtual thread::IKVMonitor* Lock() const = 0;

protected:
    IKVType() = default;
    // Objects are destroyed by Release only.
    virtual ~IKVType() = default;

public:
    IKVType(const IKVType&) = delete;
    IKVType& operator=(const IKVType&) = delete;
};

// Typed forms of the root operations, so callers keep their interface type.
template <class T>
T* Retained(T* object) {
    if (object != nullptr) {
        object->Retain();
    }
    return object;
}

template <class T>
T* AutoReleased(T* object) {
    if (object != nullptr) {
        object->AutoRelease();
    }
    return object;
}

}  // namespace kvfoundation::base
