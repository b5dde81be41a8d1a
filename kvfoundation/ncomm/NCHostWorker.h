#pragma once

#include <cstdint>

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/io/IKVChannel.h"
#include "kvfoundation/io/IKVSerializer.h"
#include "kvfoundation/ncomm/NCHost.h"
#include "kvfoundation/thread/IKVRunnable.h"

namespace kvfoundation::ncomm {

// Serves one connection: greets the client, then reads and answers requests until the
// client ends the transmission or the stream breaks.
class NCHostWorker final : public base::KVObjectT<thread::IKVRunnable> {
public:
    // A new reference owned by the caller. Sends the preamble and the greeting before it
    // returns; the host counts the worker from then until the worker goes away.
    static base::KVRefCountT<NCHostWorker> Create(NCHost* host, io::IKVChannel* channel);

    void Run() override;

    NCHost* Host() const { return host_.get(); }
    io::IKVSerializer* Serializer() const { return serializer_.get(); }
    bool ClientGone() const { return channel_->PeerGone(); }

private:
    NCHostWorker(NCHost* host, io::IKVChannel* channel);
    // Closes the channel and uncounts the worker.
    ~NCHostWorker() override;

    void Greet();
    // Reads and answers one request; false once the client has ended the transmission.
    bool ServeOne();

    const base::KVRefCountT<NCHost> host_;
    const base::KVRefCountT<io::IKVChannel> channel_;
    base::KVRefCountT<io::IKVSerializer> serializer_;
    int64_t requestsServed_ = 0;
};

}  // namespace kvfoundation::ncomm
