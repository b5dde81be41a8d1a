#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/io/IKVBufferedWriter.h"

namespace kvfoundation::io {

// Collects small writes into one buffer (from the virtual-memory allocator) and hands them
// to the channel when the buffer would overflow or on Flush. A write of at least the buffer's
// size goes to the channel directly, after what is buffered.
class BufferedWriter final : public base::KVObjectT<IKVBufferedWriter> {
public:
    // Autoreleased. A null channel raises KVNullPtr; a size of 0 or less KVIllegalArgument
    // "bufferSize <= 0".
    static IKVBufferedWriter* Create(IKVChannel* channel, int32_t bufferSize);

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    void Flush() override;
    void Close() override;

private:
    BufferedWriter(IKVChannel* channel, int32_t bufferSize);
    ~BufferedWriter() override;

    void CheckOpen() const;
    // Hands the buffered bytes to the channel.
    void Drain();

    base::KVRefCountT<IKVChannel> channel_;
    int32_t bufferSize_;
    uint8_t* buffer_;  // null once closed
    int32_t buffered_ = 0;
};

}  // namespace kvfoundation::io
