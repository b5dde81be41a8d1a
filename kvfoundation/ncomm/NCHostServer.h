#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/io/IKVChannelServer.h"
#include "kvfoundation/ncomm/NCHost.h"
#include "kvfoundation/thread/IKVRunnable.h"

namespace kvfoundation::ncomm {

// The accept loop of one channel server: each connection is handed to the host's
// StartWorker. A failed accept is logged and the loop goes on while the server is open; once
// it is closed the loop ends silently.
class NCHostServer final : public base::KVObjectT<thread::IKVRunnable> {
public:
    // Autoreleased.
    static NCHostServer* Create(NCHost* host, io::IKVChannelServer* server);
    void Run() override;

private:
    NCHostServer(NCHost* host, io::IKVChannelServer* server) : host_(host), server_(server) {}
    ~NCHostServer() override = default;

    const base::KVRefCountT<NCHost> host_;
    const base::KVRefCountT<io::IKVChannelServer> server_;
};

}  // namespace kvfoundation::ncomm
