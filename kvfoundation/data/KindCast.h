#pragma once

#include <atomic>
#include <typeinfo>

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::data {

// A cast to a value interface for the hot paths of Equals (map look-ups), cheaper than
// dynamic_cast: the classes already seen to implement I are remembered by their type_info
// address, and a hit is a pointer comparison. Value interfaces derive from IKVType first, so
// the static_cast is exact for such a class. Other classes fall back to dynamic_cast.
template <class I>
const I* KindCast(const base::IKVType* object) {
    static constexpr int kRemembered = 8;
    static std::atomic<const std::type_info*> known[kRemembered];
    if (object == nullptr) {
        return nullptr;
    }
    const std::type_info* type = &typeid(*object);
    for (auto& slot : known) {
        const std::type_info* seen = slot.load(std::memory_order_relaxed);
        if (seen == type) {
            return static_cast<const I*>(object);
        }
        if (seen == nullptr) {
            break;
        }
    }
    const I* result = dynamic_cast<const I*>(object);
    if (result != nullptr && static_cast<const void*>(result) == object) {
        for (auto& slot : known) {
            const std::type_info* empty = nullptr;
            if (slot.compare_exchange_strong(empty, type) || empty == type) {
                break;
            }
        }
    }
    return result;
}

}  // namespace kvfoundation::data
