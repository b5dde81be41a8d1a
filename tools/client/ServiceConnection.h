#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/IKVMap.h"
#include "kvfoundation/io/IKVBufferedReader.h"
#include "kvfoundation/io/IKVBufferedWriter.h"
#include "kvfoundation/io/IKVChannel.h"
#include "kvfoundation/io/IKVSerializer.h"

namespace vantory::client {

// The service said something the NComm protocol does not allow (a wrong preamble, a
// message of an unknown form).
class ProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The one reply to a request: success or failure, and the result map (on failure it holds
// "errReason" and "errWhy").
struct Reply {
    bool succeeded = false;
    kvfoundation::base::KVRefCountT<kvfoundation::data::IKVMap> result;
};

using ProgressHandler = std::function<void(const std::string& taskName, double progress)>;

// The client side of one NComm connection: checks the preamble and the greeting, then sends
// requests one at a time and reads their progress messages and replies. Every call needs an
// autorelease pool on the calling thread.
class ServiceConnection {
public:
    // Takes a reference to the channel and reads the preamble and the greeting.
    explicit ServiceConnection(kvfoundation::io::IKVChannel* channel);
    // Sends the end of transmission (when the connection still works) and closes it.
    ~ServiceConnection();
    ServiceConnection(const ServiceConnection&) = delete;
    ServiceConnection& operator=(const ServiceConnection&) = delete;

    // "version", "protocol", "pid" and "cwd" of the service.
    kvfoundation::data::IKVMap* Greeting() const { return greeting_.get(); }

    // Sends (function, params) and waits for the reply; progress messages go to onProgress
    // (may be empty). A null params map sends an empty map.
    Reply Call(std::string_view function, kvfoundation::data::IKVMap* params,
               const ProgressHandler& onProgress = {});

    // Tells the service this connection is done; later calls fail.
    void EndTransmission();

private:
    kvfoundation::base::KVRefCountT<kvfoundation::io::IKVChannel> channel_;
    kvfoundation::base::KVRefCountT<kvfoundation::io::IKVBufferedReader> reader_;
    kvfoundation::base::KVRefCountT<kvfoundation::io::IKVBufferedWriter> writer_;
    kvfoundation::base::KVRefCountT<kvfoundation::io::IKVSerializer> serializer_;
    kvfoundation::base::KVRefCountT<kvfoundation::data::IKVMap> greeting_;
    bool ended_ = false;
};

}  // namespace vantory::client
