// Conversion to sRGB through our colour layer (ConvertToOutput: state, cache look-up, the
// transform) against Little CMS alone (the same transform built once and applied directly), on
// the same buffers in the same run. Prints megapixels per second and the layer's overhead.
#include <lcms2.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <utility>
#include <vector>

#include "ThumbMetaLib/color/ColorProfile.h"
#include "ThumbMetaLib/color/ColorProfiles.h"
#include "ThumbMetaLib/color/ColorState.h"
#include "ThumbMetaLib/color/ConvertToOutput.h"

namespace {

using namespace ThumbMetaLib;

// This thread's processor time: other processes on a shared machine do not inflate it.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Best processor seconds per call of `a` and of `b`, measured in alternating rounds (at least
// 0.1 s each) so that what load remains (caches, frequency) hits both alike.
std::pair<double, double> BestSecondsPerCall(const std::function<void()>& a,
                                             const std::function<void()>& b) {
    auto round = [](const std::function<void()>& call) {
        int calls = 0;
        const double start = ThreadSeconds();
        double elapsed = 0.0;
        do {
            call();
            ++calls;
            elapsed = ThreadSeconds() - start;
        } while (elapsed < 0.1);
        return elapsed / calls;
    };
    double bestA = 1e30;
    double bestB = 1e30;
    for (int r = 0; r < 9; ++r) {
        bestA = std::min(bestA, round(a));
        bestB = std::min(bestB, round(b));
    }
    return {bestA, bestB};
}

struct Case {
    const char* name;
    uint32_t width;
    uint32_t height;
    int32_t mode;
    int32_t layout;
    int32_t channels;
    cmsUInt32Number inputFormat;
    cmsUInt32Number outputFormat;
};

void Measure(const Case& c, const ColorProfileHolder& source) {
    PixelsPtr pixels = Pixels::Create(c.width, c.height, c.channels, c.mode, c.layout, true);
    if (!pixels || pixels->Bytes() == nullptr || !source) {
        std::printf("%-34s skipped (no memory or no profile)\n", c.name);
        return;
    }
    uint8_t* bytes = pixels->Bytes();
    for (size_t i = 0; i < pixels->ByteCount(); ++i) {
        bytes[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    }
    const size_t rowBytes = pixels->RowBytes();
    const size_t planeBytes = c.layout == kLayoutPlanar ? rowBytes * c.height : 0;
    const ColorProfileHolder srgb = StandardProfile(kStandardProfileSRGB);
    // The flags the layer builds its transforms with.
    cmsUInt32Number flags = cmsFLAGS_NOCACHE;
    if (T_EXTRA(c.inputFormat) != 0 && T_EXTRA(c.outputFormat) != 0) {
        flags |= cmsFLAGS_COPY_ALPHA;
    }
    cmsHTRANSFORM alone = cmsCreateTransform(source->Handle(), c.inputFormat, srgb->Handle(),
                                             c.outputFormat, INTENT_PERCEPTUAL, flags);
    auto engineCall = [&] {
        cmsDoTransformLineStride(
            alone, bytes, bytes, c.width, c.height, static_cast<cmsUInt32Number>(rowBytes),
            static_cast<cmsUInt32Number>(rowBytes), static_cast<cmsUInt32Number>(planeBytes),
            static_cast<cmsUInt32Number>(planeBytes));
    };
    // The layer replaces the buffer object for CMYK (the mode changes), so each call converts a
    // fresh Pixels over the same memory.
    auto layerCall = [&] {
        PixelsPtr view = Pixels::Create(c.width, c.height, c.channels, c.mode, c.layout, false);
        view->SetData(pixels->Data());
        ConvertToOutput(view, source);
    };
    const auto [engine, layer] = BestSecondsPerCall(engineCall, layerCall);
    cmsDeleteTransform(alone);
    const double megapixels = static_cast<double>(c.width) * c.height / 1e6;
    std::printf("%-34s %9.1f %9.1f %+7.2f%%\n", c.name, megapixels / engine, megapixels / layer,
                (layer / engine - 1.0) * 100.0);
}

}  // namespace

int main() {
    const auto state = ColorState::Current();
    const ColorProfileHolder wide = StandardProfile(kStandardProfileWideGamutRGB);
    const ColorProfileHolder cmyk = state->DefaultCMYKProfile();
    const Case cases[] = {
        {"RGB 256x256 interleaved", 256, 256, kModeRGB, kLayoutInterleaved, 3, TYPE_RGB_8,
         TYPE_RGB_8},
        {"RGB 256x256 planar", 256, 256, kModeRGB, kLayoutPlanar, 3, TYPE_RGB_8_PLANAR,
         TYPE_RGB_8_PLANAR},
        {"RGB 6000x4000 interleaved", 6000, 4000, kModeRGB, kLayoutInterleaved, 3, TYPE_RGB_8,
         TYPE_RGB_8},
        {"RGB 6000x4000 planar", 6000, 4000, kModeRGB, kLayoutPlanar, 3, TYPE_RGB_8_PLANAR,
         TYPE_RGB_8_PLANAR},
        {"RGBA 6000x4000 interleaved", 6000, 4000, kModeRGB, kLayoutInterleaved, 4, TYPE_RGBA_8,
         TYPE_RGBA_8},
    };
    const Case cmykCases[] = {
        {"CMYK 256x256 interleaved", 256, 256, kModeCMYK, kLayoutInterleaved, 4, TYPE_CMYK_8,
         TYPE_RGBA_8},
        {"CMYK 6000x4000 planar", 6000, 4000, kModeCMYK, kLayoutPlanar, 4, TYPE_CMYK_8_PLANAR,
         TYPE_RGB_8_PLANAR},
    };
    std::printf("%-34s %9s %9s %8s\n", "conversion to sRGB", "lcms MP/s", "ours MP/s", "overhead");
    for (const Case& c : cases) {
        Measure(c, wide);
    }
    for (const Case& c : cmykCases) {
        Measure(c, cmyk);
    }
    return 0;
}
