// The PPM reader over arbitrary bytes through a memory stream. Every delivered byte is summed
// so that rows left unwritten show under the sanitizers.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "ThumbMetaLib/formats/ppm/ReadPPM.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (file == nullptr) {
        return 0;
    }
    if (ThumbMetaLib::PixelsPtr pixels = ThumbMetaLib::ReadPPM(file)) {
        volatile uint32_t sum = 0;
        for (size_t i = 0; i < pixels->ByteCount(); ++i) {
            sum = sum + pixels->Bytes()[i];
        }
    }
    std::fclose(file);
    return 0;
}
