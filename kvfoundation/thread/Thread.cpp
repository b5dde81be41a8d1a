#include "kvfoundation/thread/Thread.h"

#include <cxxabi.h>

#include <cerrno>
#include <exception>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/IKVException.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/ThreadRecord.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/posix/PosixThread.h"
#include "kvfoundation/system/SysErrors.h"
#include "kvfoundation/util/IKVLog.h"
#include "kvfoundation/util/ProcessLog.h"

namespace kvfoundation::thread {

Thread* Thread::Start(IKVRunnable* runnable, data::IKVString* name) {
    if (runnable == nullptr) {
        throw base::KVNullPtr("runnable");
    }
    if (name == nullptr) {
        throw base::KVNullPtr("name");
    }
    auto thread = base::KVRefCountT<Thread>::Adopt(new Thread(runnable, name));
    thread->Retain();  // the running thread's own reference, dropped by Body
    const pid_t id = posix::PosixThread::Start(&Thread::Body, thread.get());
    if (id < 0) {
        const int error = errno;
        thread->Release();
        system::ThrowSysError("pthread_create", error);
    }
    thread->SetId(id);
    return base::AutoReleased(thread.Detach());
}

Thread::Thread(IKVRunnable* runnable, data::IKVString* name)
    : AbstractThread(name, 0), runnable_(runnable) {}

void Thread::Body(void* context) {
    auto self = base::KVRefCountT<Thread>::Adopt(static_cast<Thread*>(context));
    self->SetId(posix::PosixThread::CurrentId());
    base::ThreadRecord& record = base::ThreadRecord::Current();
    record.thread = base::KVRefCountT<base::IKVType>(self.get());
    try {
        self->RunLogged();
    } catch (abi::__forced_unwind&) {
        // pthread_exit or cancellation ends the thread normally.
        self->MarkEnded();
        record.thread.Reset();
        throw;
    }
    // A foreign exception went on above and ends the process; nobody is told the thread ended.
    self->MarkEnded();
    record.thread.Reset();
}

// The "%@" argument of log lines: the name as the object it reads.
base::IKVType* Thread::NameObject() const {
    return Name();
}

// Uncaught exceptions end only this thread, except foreign ones, which end the process.
void Thread::RunLogged() {
    base::AutoReleasePool pool;
    try {
        runnable_->Run();
    } catch (const base::IKVException& e) {
        util::LogFormat(util::LogLevel::kError, "IKVException in thread \"%@\"", NameObject());
        e.Log(util::LogLevel::kError);
    } catch (const std::exception& e) {
        util::LogFormat(util::LogLevel::kError, "std::exception in thread \"%@\": %s", NameObject(),
                        e.what());
    } catch (abi::__forced_unwind&) {
        throw;  // pthread_exit or cancellation: not an error
    } catch (...) {
        util::LogFormat(util::LogLevel::kFatal, "Unknown uncaught exception in thread \"%@\"",
                        NameObject());
        throw;
    }
    runnable_.Reset();
}

}  // namespace kvfoundation::thread
