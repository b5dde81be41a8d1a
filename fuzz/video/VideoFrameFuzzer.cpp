// A video frame from arbitrary bytes in memory: FFmpeg probes and demuxes them, the first
// frame from the moment on is decoded under tight limits, scaled and turned. Every delivered
// byte is summed so that rows left unwritten show under the sanitizers. FFmpeg itself is the
// system's build (not instrumented): what is fuzzed is our glue around it, the memory input,
// the frame choice, the geometry and the scaling.
#include <cstddef>
#include <cstdint>

#include "ThumbMetaLib/video/VideoThumbnail.h"
#include "kvfoundation/util/ProcessLog.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ThumbMetaLib::RegisterVideoFrames();
    // Damaged input makes FFmpeg talk a lot; the log would only slow the run.
    kvfoundation::util::GetProcessLog()->SetLevel(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ThumbMetaLib::VideoLimits limits;
    limits.seconds = 2;
    // Small frames and a short probe: the inputs are at most 64 KB, and a frame of more than
    // 256 x 256 or a probe reading on through damaged bytes only spends the time in FFmpeg.
    limits.maxFramePixels = 1 << 16;
    limits.maxPackets = 64;
    limits.decodeAheadPixels = 1 << 18;
    limits.blankSkipSeconds = 0.2;
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
