#pragma once

#include <cstdint>

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/ncomm/INCHost.h"
#include "kvfoundation/thread/Monitor.h"

namespace kvfoundation::ncomm {

// The NComm host (see INCHost). The wire protocol of one connection:
//   host → client   preamble: "KVNC" and protocol 200 as a big-endian 32-bit integer
//   host → client   greeting: {"version": 200, "protocol": 200, "pid": …, "cwd": …}
//   client → host   request: [name, params, …] — or the null value to end the connection
//   host → client   progress: [2, {"taskname": …, "progress": …}], zero or more
//   host → client   reply: [0 or 1, result map], exactly one per request
class NCHost final : public base::KVObjectT<INCHost> {
public:
    static constexpr uint32_t kProtocol = 200;
    static constexpr int32_t kBufferSize = 32768;
    // The request the host answers itself, without the delegate.
    static constexpr const char* kPing = "NCOMM_PING";

    // Autoreleased; a null delegate raises KVNullPtr.
    static NCHost* Create(IDelegate* delegate);

    void Run(data::IKVList* channels) override;
    void Serve(io::IKVChannel* channel) override;
    thread::IKVThread* StartWorker(io::IKVChannel* channel) override;
    thread::IKVThread* StartServer(io::IKVChannelServer* server) override;
    int32_t WorkerCount() const override;
    void WaitForWorkers() override;

    IDelegate* Delegate() const { return delegate_.get(); }

    // Called by each connection's worker as it starts and as it goes away.
    void WorkerStarted();
    void WorkerEnded();

private:
    explicit NCHost(IDelegate* delegate) : delegate_(delegate) {}
    ~NCHost() override = default;

    const base::KVRefCountT<IDelegate> delegate_;
    mutable thread::Monitor monitor_;  // guards workerCount_
    int32_t workerCount_ = 0;
};

}  // namespace kvfoundation::ncomm
