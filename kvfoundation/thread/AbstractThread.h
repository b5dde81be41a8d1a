#pragma once

#include <sys/types.h>

#include <cstdint>

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/system/RunLoopBase.h"
#include "kvfoundation/thread/IKVThread.h"
#include "kvfoundation/thread/Monitor.h"

namespace kvfoundation::thread {

// What every thread object has: a name, the kernel thread id (priorities are per kernel
// thread), the alive flag joiners wait on, a run loop and a map made on first use. Everything
// is guarded by the thread's monitor.
class AbstractThread : public base::KVObjectT<IKVThread> {
public:
    data::IKVString* Name() const override;
    void SetName(data::IKVString* name) override;
    bool IsAlive() const override;
    double Priority() const override;
    void SetPriority(double priority) override;
    void Join() override;
    bool Join(double seconds) override;
    system::IKVRunLoop* RunLoop() override;
    data::IKVMutableMap* ThreadMap() override;

    // The kernel thread id; 0 until a started thread runs.
    pid_t Id() const;

protected:
    // `name` (non-null) is copied.
    AbstractThread(data::IKVString* name, pid_t id);
    ~AbstractThread() override;

    void SetId(pid_t id);
    // On the thread, as it ends: joiners wake, the run loop shuts down and the map goes, so
    // that per-thread values are released on their own thread.
    void MarkEnded();

private:
    // Waits at most `timeoutMs` (negative: no limit) for the end; true once ended.
    bool WaitForEnd(int64_t timeoutMs);
    // The kernel id of a thread still running, for priority calls; ESRCH once it has ended.
    pid_t LiveId(const char* function) const;

    mutable Monitor monitor_;
    base::KVRefCountT<data::IKVString> name_;
    base::KVRefCountT<data::IKVMutableMap> map_;
    base::KVRefCountT<system::RunLoopBase> runLoop_;
    pid_t id_;
    bool ending_ = false;  // the thread is ending: its loop is shutting down
    bool ended_ = false;
};

}  // namespace kvfoundation::thread
