#pragma once

#include "kvfoundation/base/IKVType.h"
#include "kvfoundation/io/IKVChannel.h"

namespace kvfoundation::io {

// Produces channels, one per client that connects.
class IKVChannelServer : public base::IKVType {
public:
    // Waits for the next client and returns its channel (autoreleased). Raises KVIllegalState
    // once the server is closed, also when Close is called during the wait.
    virtual IKVChannel* Accept() = 0;
    // True until Close has been called.
    virtual bool IsOpen() const = 0;
    // Stops accepting and wakes a blocked Accept; may be called from any thread.
    virtual void Close() = 0;
};

}  // namespace kvfoundation::io
