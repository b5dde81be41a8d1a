#pragma once

#include <chrono>

namespace ThumbMetaLib::video {

// The moment a frame's reading must be over. FFmpeg asks it through the interrupt callback
// while it waits on input; the decoder loop asks it between packets.
class Deadline {
public:
    explicit Deadline(double seconds)
        : end_(std::chrono::steady_clock::now() +
               std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                   std::chrono::duration<double>(seconds))) {}

    bool Passed() const { return std::chrono::steady_clock::now() >= end_; }

    // For AVIOInterruptCB: non-zero ends the operation in progress with AVERROR_EXIT.
    static int Interrupt(void* self) { return static_cast<const Deadline*>(self)->Passed(); }

private:
    std::chrono::steady_clock::time_point end_;
};

}  // namespace ThumbMetaLib::video
