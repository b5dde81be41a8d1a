#pragma once

#include <thread>

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/thread/IKVWaitableRunnable.h"
#include "kvfoundation/thread/KVMonitorT.h"

namespace kvfoundation::thread {

// Wraps a runnable so that other threads can wait until it has run: new → running → done.
// Used to hand work to another thread's run loop and block until it is finished.
class WaitableRunnable final : public KVMonitorT<base::KVObjectT<IKVWaitableRunnable>> {
public:
    // Autoreleased; a null runnable raises KVNullPtr.
    static WaitableRunnable* Create(IKVRunnable* runnable);

    void Run() override;
    void Wait() override;

    bool IsDone() const;

private:
    explicit WaitableRunnable(IKVRunnable* runnable) : runnable_(runnable) {}

    void Finish();

    const base::KVRefCountT<IKVRunnable> runnable_;
    std::thread::id runner_;  // the thread inside Run, while it runs
    bool started_ = false;
    bool done_ = false;
};

}  // namespace kvfoundation::thread
