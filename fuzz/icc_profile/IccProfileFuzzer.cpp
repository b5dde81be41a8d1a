// Embedded ICC profiles come from untrusted files: load the bytes as a profile and, when they
// are accepted, build a transform from it and convert a small buffer of the matching colour
// mode, which makes the engine read and evaluate every tag a conversion from it uses. An
// accepted profile must report the colour space its header names, and a conversion must be
// repeatable (the same pixels in give the same pixels out).
//
// Only the input side is the untrusted part, so the transform ends in a fixed identity Lab
// profile made once (the sRGB output would rebuild and invert its tone curves for every input),
// and it is built without the engine's precalculated grid: sampling the pipeline at tens of
// thousands of grid points costs hundreds of milliseconds and reads no byte of the profile that
// the plain pipeline does not read as well.
#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "ThumbMetaLib/color/ColorProfile.h"
#include "ThumbMetaLib/color/ColorProfiles.h"

namespace {

constexpr int kPixels = 45;
constexpr int kMaxChannels = 4;

// The 8-bit engine format of pixels in `space`, or 0 for a colour space that is not converted.
cmsUInt32Number InputFormatOf(uint32_t space) {
    switch (space) {
        case cmsSigRgbData:
            return TYPE_RGB_8;
        case cmsSigCmykData:
            return TYPE_CMYK_8;
        case cmsSigGrayData:
            return TYPE_GRAY_8;
        case cmsSigLabData:
            return TYPE_Lab_8;
        default:
            return 0;
    }
}

ThumbMetaLib::ColorProfileHolder gLabOutput;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::lock_guard<std::recursive_mutex> guard(ThumbMetaLib::ColorEngineLock());
    gLabOutput = ThumbMetaLib::ColorProfile::Adopt(cmsCreateLab4Profile(nullptr));
    return gLabOutput ? 0 : 1;
}

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
    const cmsUInt32Number inputFormat = InputFormatOf(profile->ColorSpace());
    if (inputFormat == 0) {
        return 0;
    }
    std::array<uint8_t, kPixels * kMaxChannels> in{};
    for (size_t i = 0; i < in.size(); ++i) {
        in[i] = static_cast<uint8_t>(i * 37);
    }
    std::array<uint8_t, kPixels * 3> first{};
    std::array<uint8_t, kPixels * 3> second{};
    std::lock_guard<std::recursive_mutex> guard(ColorEngineLock());
    cmsHTRANSFORM transform =
        cmsCreateTransform(profile->Handle(), inputFormat, gLabOutput->Handle(), TYPE_Lab_8,
                           INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE | cmsFLAGS_NOOPTIMIZE);
    if (transform == nullptr) {
        return 0;  // a profile the engine cannot build a transform from is a clean failure
    }
    cmsDoTransform(transform, in.data(), first.data(), kPixels);
    cmsDoTransform(transform, in.data(), second.data(), kPixels);
    cmsDeleteTransform(transform);
    if (first != second) {
        __builtin_trap();  // the conversion read something other than its input and its tables
    }
    return 0;
}
