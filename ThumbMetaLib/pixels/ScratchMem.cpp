#include "ThumbMetaLib/pixels/ScratchMem.h"

#include <cstdlib>
#include <new>

#include "ThumbMetaLib/base/EngineException.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTORY_SCRATCH_POISON 1
#endif
#elif defined(__SANITIZE_ADDRESS__)
#define VANTORY_SCRATCH_POISON 1
#endif
#if VANTORY_SCRATCH_POISON
#include <sanitizer/asan_interface.h>
#endif

namespace ThumbMetaLib {
namespace {

// Under AddressSanitizer only the bytes handed out are addressable, so a loop that runs past its
// block is caught even though the block sits inside the larger buffer.
void MarkUsable([[maybe_unused]] uint8_t* p, [[maybe_unused]] size_t bytes) {
#if VANTORY_SCRATCH_POISON
    ASAN_UNPOISON_MEMORY_REGION(p, bytes);
#endif
}

void MarkUnusable([[maybe_unused]] uint8_t* p, [[maybe_unused]] size_t bytes) {
#if VANTORY_SCRATCH_POISON
    ASAN_POISON_MEMORY_REGION(p, bytes);
#endif
}

}  // namespace

ScratchMem& ScratchMem::ForThisThread() {
    thread_local ScratchMem scratch;
    return scratch;
}

ScratchMem::ScratchMem() {
    begin_ = static_cast<uint8_t*>(std::aligned_alloc(kGranule, kBufferSize));
    // Without its buffer the thread still works: every acquisition falls back to the heap.
    end_ = begin_ != nullptr ? begin_ + kBufferSize : nullptr;
    cursor_ = begin_;
    if (begin_ != nullptr) {
        MarkUnusable(begin_, kBufferSize);
    }
}

ScratchMem::~ScratchMem() {
    if (begin_ != nullptr) {
        MarkUsable(begin_, kBufferSize);
    }
    std::free(begin_);
}

size_t ScratchMem::RoundUp(size_t bytes) {
    if (bytes > SIZE_MAX - (kGranule - 1)) {
        return SIZE_MAX & ~(kGranule - 1);
    }
    return (bytes + kGranule - 1) & ~(kGranule - 1);
}

size_t ScratchMem::Available() const {
    return static_cast<size_t>(end_ - cursor_) & ~(kGranule - 1);
}

ScratchMem::Block ScratchMem::Acquire(size_t bytes) {
    const size_t rounded = RoundUp(bytes);
    if (rounded <= Available() && begin_ != nullptr) {
        Block block{cursor_, true};
        MarkUsable(cursor_, bytes);
        cursor_ += rounded;
        return block;
    }
    void* heap = std::aligned_alloc(kGranule, rounded == 0 ? kGranule : rounded);
    return Block{static_cast<uint8_t*>(heap), false};
}

void ScratchMem::Release(const Block& block) {
    if (block.fromScratch) {
        ReleaseDirect(block.pointer);
    } else {
        std::free(block.pointer);
    }
}

uint8_t* ScratchMem::AllocateDirect(size_t bytes) {
    const size_t rounded = RoundUp(bytes);
    if (begin_ == nullptr || rounded > Available()) {
        throw EngineException(kNoScratchEntry);
    }
    uint8_t* block = cursor_;
    MarkUsable(cursor_, bytes);
    cursor_ += rounded;
    return block;
}

void ScratchMem::ReleaseDirect(uint8_t* pointer) {
    // Blocks go back in reverse order, so the cursor simply returns to the block's start.
    if (pointer != nullptr && pointer >= begin_ && pointer <= cursor_) {
        MarkUnusable(pointer, size_t(cursor_ - pointer));
        cursor_ = pointer;
    }
}

}  // namespace ThumbMetaLib
