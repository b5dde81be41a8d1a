#pragma once

#include "kvfoundation/io/IKVChannel.h"

namespace kvfoundation::io {

// Reads a channel through a buffer. Write raises KVUnsupportedOperation
// "Write() not supported"; calls after Close raise KVIllegalState "Channel Closed".
// Closing the reader closes its channel. Not locked: one thread at a time.
class IKVBufferedReader : public IKVChannel {
public:
    // Reads exactly `count` bytes, calling Read until they have arrived; raises KVEndOfFile
    // "<End Of File>" when the stream ends first.
    virtual void ReadFully(void* buffer, int32_t count) = 0;
};

}  // namespace kvfoundation::io
