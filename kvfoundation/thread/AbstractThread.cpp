#include "kvfoundation/thread/AbstractThread.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <utility>

#include <unistd.h>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/posix/PosixRunLoop.h"
#include "kvfoundation/posix/PosixThread.h"
#include "kvfoundation/posix/PosixThreadPriority.h"
#include "kvfoundation/system/SysErrors.h"
#include "kvfoundation/thread/ScopedLock.h"
#include "kvfoundation/thread/Threads.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::thread {

namespace {

base::KVRefCountT<data::IKVString> CopyOf(data::IKVString* name) {
    if (name == nullptr) {
        throw base::KVNullPtr("name");
    }
    return base::KVRefCountT<data::IKVString>::Adopt(static_cast<data::IKVString*>(name->Copy()));
}

}  // namespace

AbstractThread::AbstractThread(data::IKVString* name, pid_t id) : name_(CopyOf(name)), id_(id) {}

AbstractThread::~AbstractThread() = default;

data::IKVString* AbstractThread::Name() const {
    ScopedLock lock(monitor_);
    return base::AutoReleased(static_cast<data::IKVString*>(name_->Copy()));
}

void AbstractThread::SetName(data::IKVString* name) {
    auto copy = CopyOf(name);
    ScopedLock lock(monitor_);
    std::swap(name_, copy);  // the old name goes after the monitor is left
}

bool AbstractThread::IsAlive() const {
    ScopedLock lock(monitor_);
    return !ended_;
}

pid_t AbstractThread::Id() const {
    ScopedLock lock(monitor_);
    return id_;
}

void AbstractThread::SetId(pid_t id) {
    ScopedLock lock(monitor_);
    id_ = id;
}

pid_t AbstractThread::LiveId(const char* function) const {
    ScopedLock lock(monitor_);
    if (ended_) {
        // Its kernel id may already belong to another thread.
        system::ThrowSysError(function, ESRCH);
    }
    return id_;
}

double AbstractThread::Priority() const {
    double scale = 0.5;
    if (const int error = posix::PosixThreadPriority::Get(LiveId("getpriority"), scale)) {
        system::ThrowSysError("getpriority", error);
    }
    return scale;
}

void AbstractThread::SetPriority(double priority) {
    if (!(priority >= 0.0 && priority <= 1.0)) {
        throw base::KVIllegalArgument(util::Format("Bad priority: %f", priority));
    }
    if (const int error = posix::PosixThreadPriority::Set(LiveId("setpriority"), priority)) {
        system::ThrowSysError("setpriority", error);
    }
}

void AbstractThread::Join() {
    WaitForEnd(-1);
}

bool AbstractThread::Join(double seconds) {
    if (!(seconds >= 0.0)) {
        throw base::KVIllegalArgument("timeout < 0");
    }
    // Whole milliseconds, truncated; beyond what a 32-bit wait can express means no limit.
    const double millis = std::trunc(seconds * 1000.0);
    return WaitForEnd(millis > 2147483647.0 ? -1 : static_cast<int64_t>(millis));
}

bool AbstractThread::WaitForEnd(int64_t timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    ScopedLock lock(monitor_);
    if (!ended_ && id_ == posix::PosixThread::CurrentId()) {
        throw base::KVIllegalState("Deadlock prevented");
    }
    while (!ended_) {
        if (timeoutMs < 0) {
            monitor_.Wait();
            continue;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return false;
        }
        monitor_.Wait(left);
    }
    return true;
}

system::IKVRunLoop* AbstractThread::RunLoop() {
    if (Id() == getpid()) {
        return MainRunLoop();  // the process's main loop is made by whoever asks first
    }
    ScopedLock lock(monitor_);
    if (ending_) {
        throw base::KVIllegalState("Thread has ended");
    }
    if (!runLoop_) {
        runLoop_ = base::KVRefCountT<system::RunLoopBase>::Adopt(posix::PosixRunLoop::Create(id_));
    }
    return runLoop_.get();
}

data::IKVMutableMap* AbstractThread::ThreadMap() {
    ScopedLock lock(monitor_);
    if (!map_) {
        map_ = base::KVRefCountT<data::IKVMutableMap>(data::CreateMutableMap(0));
    }
    return map_.get();
}

void AbstractThread::MarkEnded() {
    base::AutoReleasePool pool;  // releasing the loop and the map may autorelease
    base::KVRefCountT<system::RunLoopBase> loop;
    base::KVRefCountT<data::IKVMutableMap> map;
    {
        ScopedLock lock(monitor_);
        ending_ = true;  // no new run loop from now on
        loop = std::move(runLoop_);
        map = std::move(map_);
    }
    // Joiners see the end only once the loop's timers are invalid.
    if (loop) {
        loop->Shutdown();
    }
    ScopedLock lock(monitor_);
    ended_ = true;
    monitor_.NotifyAll();
}

}  // namespace kvfoundation::thread
