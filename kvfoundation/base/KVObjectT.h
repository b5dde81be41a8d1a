#pragma once

#include <atomic>
#include <cstdint>

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::base {

// Shared behaviour of the root operations, out of line so that every class template stays small.
namespace object_ops {
void AddToPool(IKVType* object);
uint32_t AddressHash(const IKVType* object);
data::IKVString* DefaultDescription(const IKVType* object);
thread::IKVMonitor* EnterMonitor(const IKVType* object);
}  // namespace object_ops

// Tag for constructing immortal shared constants (count 0).
struct Immortal {};

// Gives a class implementing interface I the atomic count and the standard root operations.
// Derive as `class UTF16String final : public base::KVObjectT<IKVString>`.
template <class I>
class KVObjectT : public I {
public:
    static constexpr int32_t kImmortalCount = 2147483647;

    int32_t RetainCount() const override {
        int32_t count = count_.load(std::memory_order_relaxed);
        return count == 0 ? kImmortalCount : count;
    }
    IKVType* Retain() override {
        if (!IsImmortal()) {
            count_.fetch_add(1, std::memory_order_relaxed);
        }
        return this;
    }
    void Release() override {
        if (IsImmortal()) {
            return;
        }
        if (count_.fetch_sub(1, std::memory_order_acq_rel) <= 1) {
            delete this;
        }
    }
    IKVType* AutoRelease() override {
        if (!IsImmortal()) {
            object_ops::AddToPool(this);
        }
        return this;
    }
    bool Equals(const IKVType* other) const override { return other == this; }
    uint32_t Hash() const override { return object_ops::AddressHash(this); }
    data::IKVString* Description() const override { return object_ops::DefaultDescription(this); }
    thread::IKVMonitor* Lock() const override { return object_ops::EnterMonitor(this); }

protected:
    KVObjectT() = default;
    explicit constexpr KVObjectT(Immortal) : count_(0) {}

    bool IsImmortal() const { return count_.load(std::memory_order_relaxed) == 0; }

private:
    std::atomic<int32_t> count_{1};
};

}  // namespace kvfoundation::base
