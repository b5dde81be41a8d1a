// Embedded ICC profiles come from untrusted files: load the bytes as a profile and, when they
// are accepted, convert a small buffer of the matching colour mode with it.
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
        ConvertToOutput(pixels, profile);
    } catch (const HuekoException&) {
        // A profile the engine cannot build a transform from is a clean failure.
    }
    return 0;
}
