#pragma once

#include "kvfoundation/base/KVRefCountT.h"

namespace kvfoundation::base {

class AutoReleasePool;

// Per-thread state of the library, created on first use and destroyed when the thread ends.
struct ThreadRecord {
    // The innermost autorelease pool (owned by its scope, not by the record).
    AutoReleasePool* pool = nullptr;
    // The thread object of this thread (a thread::IKVThread), released when the thread ends.
    KVRefCountT<IKVType> thread;

    static ThreadRecord& Current();
};

}  // namespace kvfoundation::base
