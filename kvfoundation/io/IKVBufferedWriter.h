#pragma once

#include "kvfoundation/io/IKVChannel.h"

namespace kvfoundation::io {

// Writes a channel through a buffer: nothing reaches the channel before Flush unless the
// buffer fills or a single write is at least the buffer's size. Read raises
// KVUnsupportedOperation "Read() not supported"; calls after Close raise KVIllegalState
// "Channel Closed". Closing the writer flushes and closes its channel. Not locked.
class IKVBufferedWriter : public IKVChannel {};

}  // namespace kvfoundation::io
