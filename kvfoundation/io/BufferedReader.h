#pragma once

#include <cstddef>

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/io/IKVBufferedReader.h"

namespace kvfoundation::io {

// Reads a channel through a buffer. Buffers below 8192 bytes live in the reader's own
// allocation; larger ones come from the virtual-memory allocator. A read of at least the
// buffer's size, with nothing buffered, goes from the channel straight into the caller's
// memory.
class BufferedReader final : public base::KVObjectT<IKVBufferedReader> {
public:
    static constexpr int32_t kLargestInlineBuffer = 8191;

    // Autoreleased. A null channel raises KVNullPtr; a size of 0 or less KVIllegalArgument
    // "bufferSize <= 0".
    static IKVBufferedReader* Create(IKVChannel* channel, int32_t bufferSize);

    // Delivers `count` bytes, fewer only when the stream ends.
    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    void Flush() override;
    void Close() override;
    void ReadFully(void* buffer, int32_t count) override;

    // The object and an inline buffer are one allocation.
    struct InlineBytes {
        size_t count;
    };
    static void* operator new(size_t size, InlineBytes inlineBytes);
    static void operator delete(void* memory);
    static void operator delete(void* memory, InlineBytes inlineBytes);

private:
    BufferedReader(IKVChannel* channel, int32_t bufferSize);
    ~BufferedReader() override;

    bool IsInline() const { return bufferSize_ <= kLargestInlineBuffer; }
    void CheckOpen() const;

    base::KVRefCountT<IKVChannel> channel_;
    int32_t bufferSize_;
    uint8_t* buffer_;  // null once closed
    int32_t position_ = 0;
    int32_t end_ = 0;
};

}  // namespace kvfoundation::io
