#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ThumbMetaLib {

// Per-thread scratch memory: one 2 MiB buffer with a cursor, created on a thread's first use
// and freed when the thread ends. Blocks are handed out from the cursor and must be released
// in reverse order of acquisition, so the resampler's temporaries never touch the heap.
class ScratchMem {
public:
    static constexpr size_t kBufferSize = 0x200000;
    static constexpr size_t kGranule = 16;

    struct Block {
        uint8_t* pointer = nullptr;
        bool fromScratch = false;  // false: heap fallback (or nothing, when pointer is null)
    };

    // The calling thread's scratch memory.
    static ScratchMem& ForThisThread();

    // From the buffer when the (16-byte rounded) request fits, else from the heap. The pointer
    // is null only when the heap cannot serve the request either.
    Block Acquire(size_t bytes);
    void Release(const Block& block);

    // Straight from the buffer; throws EngineException with the "NoScratch" entry when the
    // request does not fit. Release with ReleaseDirect, in reverse order.
    uint8_t* AllocateDirect(size_t bytes);
    void ReleaseDirect(uint8_t* pointer);

    // (end - cursor) rounded down to 16.
    size_t Available() const;

    ScratchMem(const ScratchMem&) = delete;
    ScratchMem& operator=(const ScratchMem&) = delete;
    ~ScratchMem();

private:
    ScratchMem();
    static size_t RoundUp(size_t bytes);

    uint8_t* begin_;
    uint8_t* end_;
    uint8_t* cursor_;
};

// Scoped scratch acquisition: released when it goes out of scope.
class ScratchBlock {
public:
    explicit ScratchBlock(size_t bytes) : block_(ScratchMem::ForThisThread().Acquire(bytes)) {}
    ~ScratchBlock() { ScratchMem::ForThisThread().Release(block_); }
    ScratchBlock(const ScratchBlock&) = delete;
    ScratchBlock& operator=(const ScratchBlock&) = delete;

    uint8_t* Get() const { return block_.pointer; }
    bool FromScratch() const { return block_.fromScratch; }

private:
    ScratchMem::Block block_;
};

}  // namespace ThumbMetaLib
