#pragma once

#include "kvfoundation/thread/AbstractThread.h"

namespace kvfoundation::thread {

// The thread object of a thread the library did not start, made when that thread first asks
// for its thread object: the process's initial thread is "Main", any other "KVThread-<n>"
// with a process-wide counter from 1. It counts as alive until the thread exits.
class ForeignThread final : public AbstractThread {
public:
    // For the calling thread; a new reference owned by the caller. The calling thread must not
    // have a thread object yet.
    static ForeignThread* CreateForCurrentThread();

private:
    ForeignThread(data::IKVString* name, pid_t id) : AbstractThread(name, id) {}

    // Holds the thread object until the thread exits, then marks it ended.
    struct ExitWatch;
};

}  // namespace kvfoundation::thread
