#include "kvfoundation/ncomm/NCHostServer.h"

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/util/IKVLog.h"

namespace kvfoundation::ncomm {

NCHostServer* NCHostServer::Create(NCHost* host, io::IKVChannelServer* server) {
    return base::AutoReleased(new NCHostServer(host, server));
}

void NCHostServer::Run() {
    while (server_->IsOpen()) {
        base::AutoReleasePool pool;
        try {
            host_->StartWorker(server_->Accept());
        } catch (const base::IKVException& error) {
            if (!server_->IsOpen()) {
                break;  // closed while waiting: the normal way for the loop to end
            }
            error.Log(util::LogLevel::kError);
        }
    }
}

}  // namespace kvfoundation::ncomm
