#pragma once

#include <cstdint>

#include "HXJPEG/common/Markers.h"

namespace HXJPEG {

// The restart intervals of one scan, shared by every scan loop: counts the units (MCUs, or the
// blocks of a one-component scan) and follows the RST0..RST7 sequence.
class RestartTracker {
public:
    void StartScan(uint16_t interval) {
        interval_ = interval;
        left_ = interval;
        first_ = true;
        expected_ = 0;
    }

    // Call before each unit: true when a restart marker is due before it.
    bool DueBeforeUnit() {
        if (interval_ == 0) {
            return false;
        }
        const bool due = !first_ && left_ == 0;
        first_ = false;
        if (due) {
            left_ = interval_;
        }
        --left_;
        return due;
    }

    // The restart marker met where one was due: true when it is the next of the sequence. The
    // sequence counts on from the one expected, so a marker with a damaged number is reported
    // once and the intact markers after it are in order again.
    bool FollowsSequence(uint8_t code) {
        const bool inOrder = code == marker::kRST0 + expected_;
        expected_ = uint8_t((expected_ + 1) & 7);
        return inOrder;
    }
    // No marker where one was due: the sequence counts on as if it had been there.
    void Missed() { expected_ = uint8_t((expected_ + 1) & 7); }

private:
    uint16_t interval_ = 0;
    uint32_t left_ = 0;
    bool first_ = true;
    uint8_t expected_ = 0;
};

}  // namespace HXJPEG
