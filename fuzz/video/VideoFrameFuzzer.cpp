// A video frame from arbitrary bytes in memory: FFmpeg demuxes them, the first frame from the
// moment on is decoded under tight limits, scaled and turned. Every delivered byte is summed
// so that rows left unwritten show under the sanitizers. FFmpeg itself is the system's build
// (not instrumented): what is fuzzed is our glue around it, the memory input, the frame
// choice, the geometry and the scaling.
//
// The input's first bytes name the demuxer, as the containers' own magic does: probing every
// input with each of FFmpeg's demuxers was most of each run. The bytes stay part of the file,
// so real files work as seeds unchanged.
#include <cstddef>
#include <cstdint>

#include "ThumbMetaLib/video/VideoThumbnail.h"
#include "kvfoundation/util/ProcessLog.h"

namespace {

// The containers of the service's video extensions, by the first byte of their magic; the
// ISO/QuickTime family (a box size, mostly 0 in its first byte) takes every other byte but an
// MPEG program stream's start code.
const char* DemuxerFor(const uint8_t* data, size_t size) {
    if (size >= 3 && data[0] == 0 && data[1] == 0 && data[2] == 1) {
        return "mpeg";
    }
    switch (data[0]) {
        case 0x1A:
            return "matroska";  // EBML: WebM and Matroska
        case 'R':
            return "avi";  // RIFF
        case 0x30:
            return "asf";  // the header object's GUID: WMV
        case 'F':
        case 'C':
        case 'Z':
            return "swf";  // FWS, CWS, ZWS
        case '.':
            return "rm";  // .RMF
        default:
            return "mov";  // MP4, MOV, 3GP
    }
}

}  // namespace

// Fuzzing build only: AddressSanitizer's defaults, which ASAN_OPTIONS still overrides. FFmpeg
// makes and frees decoder contexts of hundreds of kilobytes per input; the default 256 MiB
// quarantine handed each of them fresh pages, and the page faults took a fifth of every run. A
// small quarantine still catches a use after free within one input. Departs from the
// sanitizer's defaults on purpose, for speed.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=8";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ThumbMetaLib::RegisterVideoFrames();
    // Damaged input makes FFmpeg talk a lot; the log would only slow the run.
    kvfoundation::util::GetProcessLog()->SetLevel(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    ThumbMetaLib::VideoLimits limits;
    limits.demuxer = DemuxerFor(data, size);
    limits.seconds = 2;
    // Small frames and a short probe: the inputs are at most 64 KB, and a frame of more than
    // 256 x 256 or a probe reading on through damaged bytes only spends the time in FFmpeg.
    limits.maxFramePixels = 1 << 16;
    limits.maxPackets = 64;
    limits.decodeAheadPixels = 1 << 18;
    limits.blankSkipSeconds = 0.2;
    // Inputs that claim thousands of tiny frames a second were the slowest: each blank frame
    // is decoded, scaled and measured.
    limits.blankSkipFrames = 8;
    limits.probeBytes = 1 << 15;
    if (ThumbMetaLib::PixelsPtr pixels =
            ThumbMetaLib::VideoThumbnailFromMemory(data, size, 96, limits)) {
        const uint8_t* bytes = pixels->Bytes();
        const size_t count = pixels->ByteCount();
        uint32_t sum = 0;
        for (size_t i = 0; i < count; ++i) {
            sum += bytes[i];
        }
        volatile uint32_t keep = sum;
        (void)keep;
    }
    return 0;
}
