#pragma once

#include <atomic>
#include <mutex>

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::base {

// The singleton registry. GetOrCreate fills an empty slot under one process-wide (recursive)
// lock by calling the factory, which returns a new reference that the registry takes over.
// Singletons live until the process exits; they are never released, so users in late static
// destructors stay safe.
//     static std::atomic<IKVNull*> slot;
//     return Singletons::GetOrCreate(slot, [] { return static_cast<IKVNull*>(new Nil()); });
class Singletons {
public:
    template <class T, class Factory>
    static T* GetOrCreate(std::atomic<T*>& slot, Factory&& factory) {
        if (T* existing = slot.load(std::memory_order_acquire)) {
            return existing;
        }
        std::lock_guard<std::recursive_mutex> guard(Lock());
        if (T* existing = slot.load(std::memory_order_relaxed)) {
            return existing;
        }
        T* created = factory();
        Keep(created);
        slot.store(created, std::memory_order_release);
        return created;
    }

    // Number of singletons made so far.
    static int Count();

private:
    static std::recursive_mutex& Lock();
    static void Keep(IKVType* object);
};

}  // namespace kvfoundation::base
