#pragma once

#include "kvfoundation/thread/IKVRunnable.h"

namespace kvfoundation::thread {

// A runnable that one thread runs (once) and others wait for.
class IKVWaitableRunnable : public IKVRunnable {
public:
    // Runs the wrapped runnable; a second Run fails with KVIllegalState "Already Running".
    void Run() override = 0;
    // Blocks until Run has finished (also when it threw). Waiting from inside Run fails with
    // KVIllegalState "Deadlock prevented".
    virtual void Wait() = 0;
};

}  // namespace kvfoundation::thread
