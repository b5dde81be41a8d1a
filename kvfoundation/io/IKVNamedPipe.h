#pragma once

#include "kvfoundation/io/IKVTimeoutChannel.h"

namespace kvfoundation::io {

// One connection of the public instance's local endpoint. A read or write that outlasts the
// time-out closes the pipe and raises KVTimeOut "Pipe operation timed out"; a peer that has
// gone away reads as end of stream.
class IKVNamedPipe : public IKVTimeoutChannel {};

}  // namespace kvfoundation::io
