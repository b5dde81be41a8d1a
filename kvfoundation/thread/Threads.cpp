#include "kvfoundation/thread/Threads.h"

#include <unistd.h>

#include <cstdarg>
#include <exception>
#include <memory>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/ThreadRecord.h"
#include "kvfoundation/posix/PosixRunLoop.h"
#include "kvfoundation/posix/PosixThread.h"
#include "kvfoundation/system/Timer.h"
#include "kvfoundation/thread/ForeignThread.h"
#include "kvfoundation/thread/InvocationRunnable.h"
#include "kvfoundation/thread/Thread.h"
#include "kvfoundation/thread/WaitableRunnable.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::thread {

IKVThread* StartThread(IKVRunnable* runnable, const char* nameFormat, ...) {
    if (nameFormat == nullptr) {
        throw base::KVNullPtr("name");
    }
    std::va_list args;
    va_start(args, nameFormat);
    data::IKVString* name;
    try {
        name = util::FormatV(nameFormat, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
    return Thread::Start(runnable, name);
}

IKVThread* StartThread(IKVRunnable* runnable, data::IKVString* name) {
    return Thread::Start(runnable, name);
}

IKVThread* CurrentThread() {
    base::ThreadRecord& record = base::ThreadRecord::Current();
    if (!record.thread) {
        record.thread =
            base::KVRefCountT<base::IKVType>::Adopt(ForeignThread::CreateForCurrentThread());
    }
    return static_cast<IKVThread*>(record.thread.get());
}

system::IKVRunLoop* CurrentRunLoop() {
    return CurrentThread()->RunLoop();
}

system::IKVRunLoop* MainRunLoop() {
    // Made once and never destroyed: other threads may hand it work until the process ends.
    static posix::PosixRunLoop* const mainLoop = posix::PosixRunLoop::Create(getpid());
    return mainLoop;
}

void RunGUILoop() {
    if (!posix::PosixThread::IsMainThread()) {
        throw base::KVIllegalState("The GUI loop runs on the main thread only");
    }
    MainRunLoop()->Run();  // poll() sleeps without limit: no keep-alive timer is needed
}

void QuitGUILoop() {
    // Like a quit message posted on the GUI thread, it reaches the run in progress or the next.
    base::AutoReleasePool pool;  // callers on threads of their own may have none
    MainRunLoop()->AddRunnable(InvocationRunnable::Create(
        [] { static_cast<posix::PosixRunLoop*>(MainRunLoop())->Quit(); }));
}

system::IKVTimer* ScheduleTimer(double seconds, bool repeats, IKVRunnable* invocation) {
    system::Timer* timer = system::Timer::Create(seconds, repeats, invocation);
    CurrentRunLoop()->AddTimer(timer);
    return timer;
}

void PerformAndWait(system::IKVRunLoop* loop, IKVRunnable* runnable) {
    if (loop == nullptr) {
        throw base::KVNullPtr("loop");
    }
    if (runnable == nullptr) {
        throw base::KVNullPtr("runnable");
    }
    auto* platformLoop = dynamic_cast<posix::PosixRunLoop*>(loop);
    if (platformLoop != nullptr && platformLoop->Owner() == posix::PosixThread::CurrentId()) {
        runnable->Run();
        return;
    }
    // The failure is carried back by value: the capturing runnable may outlive this frame in
    // the loop's batch, so it holds its own references.
    auto failure = std::make_shared<std::exception_ptr>();
    base::KVRefCountT<IKVRunnable> work(runnable);
    WaitableRunnable* waitable =
        WaitableRunnable::Create(InvocationRunnable::Create([work, failure] {
            try {
                work->Run();
            } catch (...) {
                *failure = std::current_exception();
            }
        }));
    loop->AddRunnable(waitable);
    waitable->Wait();
    if (*failure) {
        std::rethrow_exception(*failure);
    }
}

}  // namespace kvfoundation::thread
