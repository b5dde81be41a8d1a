// The PNG reader over arbitrary bytes, with the limits the desktop route uses for a
// 256-pixel thumbnail. Every delivered byte is summed so that rows left unwritten show under
// the sanitizers.
#include <cstddef>
#include <cstdint>

#include "ThumbMetaLib/shell/PngReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ThumbMetaLib::shell::PngLimits limits;
    limits.maxSide = 1024;
    if (ThumbMetaLib::PixelsPtr pixels = ThumbMetaLib::shell::ReadPng(data, size, limits)) {
        volatile uint32_t sum = 0;
        for (size_t i = 0; i < pixels->ByteCount(); ++i) {
            sum = sum + pixels->Bytes()[i];
        }
    }
    return 0;
}
