#pragma once

#include "kvfoundation/io/IKVChannel.h"

namespace kvfoundation::io {

// A channel whose blocking calls give up after a time-out, in seconds (0: no limit).
// A negative time-out raises KVIllegalArgument "timeout < 0"; see ChannelTimeout.h for how
// seconds become milliseconds.
class IKVTimeoutChannel : public IKVChannel {
public:
    virtual double Timeout() const = 0;
    virtual void SetTimeout(double seconds) = 0;
};

}  // namespace kvfoundation::io
