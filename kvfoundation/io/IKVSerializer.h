#pragma once

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::io {

// Writes and reads values in the wire format (see WireFormat.h) over a buffered writer and
// a buffered reader. One thread at a time.
class IKVSerializer : public base::IKVType {
public:
    // Writes one value, recursively; nothing is flushed. Returns the serializer itself.
    virtual IKVSerializer* Serialize(const base::IKVType* value) = 0;
    // Reads exactly one value, recursively, and returns it autoreleased (the caller needs
    // an AutoReleasePool). After a failed read the stream is at an unknown position and
    // must be abandoned.
    virtual base::IKVType* Deserialize() = 0;
    // Flushes the writer and the channel under it.
    virtual void Flush() = 0;
};

}  // namespace kvfoundation::io
