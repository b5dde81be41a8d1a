// Embedded ICC profiles come from untrusted files: load the bytes as a profile and, when they
// are accepted, convert a small buffer of the matching colour mode with it. An accepted profile
// must report the colour space its header names, and a conversion that succeeds must return
// an image of the size it was given.
#include <cstddef>
#include <cstdint>

#include "ThumbMetaLib/color/ColorProfile.h"
#include "ThumbMetaLib/color/ColorProfiles.h"
#include "ThumbMetaLib/color/ConvertToOutput.h"
#include "ThumbMetaLib/color/HuekoException.h"

namespace {

int32_t ModeOf(uint32_t space) {
    switch (space) {
        case cmsSigRgbData:
            return ThumbMetaLib::kModeRGB;
        case cmsSigCmykData:
            return ThumbMetaLib::kModeCMYK;
        case cmsSigGrayData:
            return ThumbMetaLib::kModeGrayscale;
        case cmsSigLabData:
            return ThumbMetaLib::kModeLab;
        default:
            return -1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ThumbMetaLib;
    const ColorProfileHolder profile = ProfileFromICC(data, size);
    if (!profile) {
        return 0;
    }
    ProfileName(profile);
    // Bytes 16..19 of the header: the data colour space, big-endian.
    const uint32_t headerSpace = size >= 20 ? uint32_t{data[16]} << 24 | uint32_t{data[17]} << 16 |
                                                  uint32_t{data[18]} << 8 | data[19]
                                            : 0;
    if (size < 20 || profile->ColorSpace() != headerSpace) {
        __builtin_trap();  // a profile accepted without its header, or read at the wrong place
    }
    const int32_t mode = ModeOf(profile->ColorSpace());
    if (mode < 0) {
        return 0;
    }
    PixelsPtr pixels = Pixels::Create(9, 5, 0, mode, kLayoutPlanar, true);
    if (!pixels || pixels->Bytes() == nullptr) {
        return 0;
    }
    for (size_t i = 0; i < pixels->ByteCount(); ++i) {
        pixels->Bytes()[i] = static_cast<uint8_t>(i * 37);
    }
    try {
        const PixelsPtr converted = ConvertToOutput(pixels, profile);
        if (!converted || converted->Width() != 9 || converted->Height() != 5) {
            __builtin_trap();
        }
    } catch (const HuekoException&) {
        // A profile the engine cannot build a transform from is a clean failure.
    }
    return 0;
}
