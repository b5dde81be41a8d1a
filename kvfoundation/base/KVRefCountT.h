#pragma once

#include <utility>

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::base {

// Holds one counted reference to a foundation object. Construction from a pointer retains it,
// destruction releases it, and assigning a different pointer autoreleases the old one before
// retaining the new one (so a value read from the old reference stays valid until the
// enclosing pool closes). Adopt() takes over a reference the caller already owns (the result
// of Copy() or of an internal Create()).
template <class T>
class KVRefCountT {
public:
    KVRefCountT() = default;
    KVRefCountT(T* object) : object_(Retained(object)) {}
    KVRefCountT(const KVRefCountT& other) : object_(Retained(other.object_)) {}
    KVRefCountT(KVRefCountT&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    template <class U>
    KVRefCountT(const KVRefCountT<U>& other) : object_(Retained(other.get())) {}

    ~KVRefCountT() {
        if (object_ != nullptr) {
            object_->Release();
        }
    }

    static KVRefCountT Adopt(T* owned) {
        KVRefCountT ref;
        ref.object_ = owned;
        return ref;
    }

    KVRefCountT& operator=(T* object) {
        if (object != object_) {
            T* old = std::exchange(object_, Retained(object));
            if (old != nullptr) {
                old->AutoRelease();
            }
        }
        return *this;
    }
    KVRefCountT& operator=(const KVRefCountT& other) { return *this = other.object_; }
    KVRefCountT& operator=(KVRefCountT&& other) noexcept {
        if (this != &other) {
            T* old = std::exchange(object_, std::exchange(other.object_, nullptr));
            if (old != nullptr) {
                old->Release();
            }
        }
        return *this;
    }

    // Drops the reference now (Release, not AutoRelease).
    void Reset() {
        if (T* old = std::exchange(object_, nullptr)) {
            old->Release();
        }
    }
    // Gives the reference to the caller, who must release it.
    T* Detach() { return std::exchange(object_, nullptr); }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    operator T*() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T* object_ = nullptr;
};

}  // namespace kvfoundation::base
