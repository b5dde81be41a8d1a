#include "kvfoundation/ncomm/NCHost.h"

#include <atomic>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVCast.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/data/IKVList.h"
#include "kvfoundation/io/IKVChannel.h"
#include "kvfoundation/io/IKVChannelServer.h"
#include "kvfoundation/io/KVEndOfFile.h"
#include "kvfoundation/ncomm/NCHostServer.h"
#include "kvfoundation/ncomm/NCHostWorker.h"
#include "kvfoundation/thread/IKVThread.h"
#include "kvfoundation/thread/ScopedLock.h"
#include "kvfoundation/thread/Threads.h"
#include "kvfoundation/util/IKVLog.h"
#include "kvfoundation/util/ProcessLog.h"

namespace kvfoundation::ncomm {

namespace {

// Numbers the connections of the whole process, for thread names.
std::atomic<int32_t> connectionNumber{0};

}  // namespace

void INCHost::IDelegate::HandleError(const base::IKVException& error) {
    if (dynamic_cast<const io::KVEndOfFile*>(&error) != nullptr) {
        return;  // the client closed the connection
    }
    util::LogFormat(util::LogLevel::kError, "NComm error in thread \"%@\"",
                    thread::CurrentThread()->Name());
    error.Log(util::LogLevel::kError);
}

NCHost* NCHost::Create(IDelegate* delegate) {
    if (delegate == nullptr) {
        throw base::KVNullPtr("delegate");
    }
    return base::AutoReleased(new NCHost(delegate));
}

void NCHost::Run(data::IKVList* channels) {
    if (channels == nullptr) {
        throw base::KVNullPtr("channels");
    }
    {
        // Element 0's worker goes away with this pool, before the wait for the others.
        base::AutoReleasePool pool;
        for (int32_t i = 1; i < channels->Count(); ++i) {
            StartWorker(base::KVCast<io::IKVChannel>(channels->ObjectAt(i)));
        }
        Serve(base::KVCast<io::IKVChannel>(channels->ObjectAt(0)));
    }
    WaitForWorkers();
}

void NCHost::Serve(io::IKVChannel* channel) {
    if (channel == nullptr) {
        throw base::KVNullPtr("channel");
    }
    NCHostWorker::Create(this, channel)->Run();
}

thread::IKVThread* NCHost::StartWorker(io::IKVChannel* channel) {
    if (channel == nullptr) {
        throw base::KVNullPtr("channel");
    }
    base::KVRefCountT<NCHostWorker> worker = NCHostWorker::Create(this, channel);
    const int32_t number = connectionNumber.fetch_add(1) + 1;
    // Objects pass through "..." as IKVType pointers, the formatter's "%@" argument.
    return thread::StartThread(worker.get(), "NCHost[%@ - %d]",
                               static_cast<base::IKVType*>(delegate_.get()), number);
}

thread::IKVThread* NCHost::StartServer(io::IKVChannelServer* server) {
    if (server == nullptr) {
        throw base::KVNullPtr("server");
    }
    return thread::StartThread(NCHostServer::Create(this, server), "NCHost[%@ - %@]",
                               static_cast<base::IKVType*>(delegate_.get()),
                               static_cast<base::IKVType*>(server));
}

int32_t NCHost::WorkerCount() const {
    thread::ScopedLock lock(monitor_);
    return workerCount_;
}

void NCHost::WaitForWorkers() {
    thread::ScopedLock lock(monitor_);
    while (workerCount_ > 0) {
        monitor_.Wait();
    }
}

void NCHost::WorkerStarted() {
    thread::ScopedLock lock(monitor_);
    ++workerCount_;
}

void NCHost::WorkerEnded() {
    thread::ScopedLock lock(monitor_);
    if (--workerCount_ == 0) {
        monitor_.NotifyAll();
    }
}

}  // namespace kvfoundation::ncomm
