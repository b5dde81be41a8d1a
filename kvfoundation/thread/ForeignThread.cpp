#include "kvfoundation/thread/ForeignThread.h"

#include <atomic>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/posix/PosixThread.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::thread {

struct ForeignThread::ExitWatch {
    base::KVRefCountT<ForeignThread> thread;

    ~ExitWatch() {
        if (thread) {
            thread->MarkEnded();
        }
    }
};

ForeignThread* ForeignThread::CreateForCurrentThread() {
    static std::atomic<int> foreignThreadCount{0};
    base::AutoReleasePool pool;  // the thread may have none yet
    const bool isMain = posix::PosixThread::IsMainThread();
    data::IKVString* name =
        isMain ? data::Literal("Main") : util::Format("KVThread-%d", ++foreignThreadCount);
    auto* thread = new ForeignThread(name, posix::PosixThread::CurrentId());
    thread_local ExitWatch watch;
    watch.thread = base::KVRefCountT<ForeignThread>(thread);
    return thread;
}

}  // namespace kvfoundation::thread
