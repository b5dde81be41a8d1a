#pragma once

#include <cstdint>

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::io {

// A two-way byte stream: a TCP connection or one end of a local pipe.
class IKVChannel : public base::IKVType {
public:
    // Reads up to `count` bytes; returns how many (at least 1), or 0 at end of stream.
    virtual int32_t Read(void* buffer, int32_t count) = 0;
    // Writes all `count` bytes; returns `count`.
    virtual int32_t Write(const void* buffer, int32_t count) = 0;
    virtual void Flush() = 0;
    // A second call does nothing.
    virtual void Close() = 0;
    // Whether the other end has gone away entirely (or the channel is closed), found without
    // blocking or reading: lets a long piece of work stop for a client that left. Channels
    // that cannot tell answer false.
    virtual bool PeerGone() { return false; }
};

}  // namespace kvfoundation::io
