#pragma once

#include <cstdint>

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::base {

// A per-thread autorelease pool, opened on the stack:
//     base::AutoReleasePool pool;
// The newest pool of a thread receives every AutoRelease of that thread; closing a pool
// releases what it holds (an object autoreleased n times is released n times) and first
// closes any pool opened inside it that is still open.
class AutoReleasePool {
public:
    static constexpr int32_t kSlotsPerPage = 127;

    AutoReleasePool();
    ~AutoReleasePool();
    AutoReleasePool(const AutoReleasePool&) = delete;
    AutoReleasePool& operator=(const AutoReleasePool&) = delete;

    // The calling thread's innermost pool, or null.
    static AutoReleasePool* Current();
    // What AutoRelease does: adds to the innermost pool, or logs
    // "*** IKVAutoReleasePool: Object %p of class %@ autoreleased with no pool in place -
    // just leaking" when the thread has none.
    static void AddToCurrent(IKVType* object);

    void Add(IKVType* object);
    uint32_t Count() const { return count_; }
    // "<AutoReleasePool 0x…> { count = n, values = (\t0 : …\n…) }" (autoreleased).
    data::IKVString* Description() const;

private:
    struct Page {
        Page* previous;
        IKVType* slots[kSlotsPerPage];
    };

    void Close();

    uint32_t count_ = 0;
    int32_t used_ = 0;  // slots used in current_
    Page* current_;
    AutoReleasePool* previous_;  // the enclosing pool of this thread
    bool closed_ = false;
    Page first_;
};

}  // namespace kvfoundation::base
