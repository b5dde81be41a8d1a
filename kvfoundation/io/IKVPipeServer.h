#pragma once

#include "kvfoundation/io/IKVChannelServer.h"

namespace kvfoundation::io {

// The server of the public instance's local endpoint. Accept raises KVIllegalState
// "IKVPipeServer already closed" once the server is closed.
class IKVPipeServer : public IKVChannelServer {};

}  // namespace kvfoundation::io
