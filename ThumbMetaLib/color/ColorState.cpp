#include "ThumbMetaLib/color/ColorState.h"

#include "ThumbMetaLib/color/HuekoException.h"

namespace ThumbMetaLib {
namespace {

std::mutex g_stateLock;
std::shared_ptr<ColorState> g_state;
bool g_terminated = false;

void Describe(cmsHPROFILE profile, const char* description) {
    cmsMLU* text = cmsMLUalloc(nullptr, 1);
    if (text != nullptr) {
        cmsMLUsetASCII(text, "en", "US", description);
        cmsWriteTag(profile, cmsSigProfileDescriptionTag, text);
        cmsMLUfree(text);
    }
}

ColorProfileHolder WideGamutRGB() {
    const cmsCIExyY white = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 563.0 / 256.0);
    if (gamma == nullptr) {
        return nullptr;
    }
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(gamma);
    if (profile != nullptr) {
        Describe(profile, "Wide-gamut RGB (1998)");
    }
    return ColorProfile::Adopt(profile);
}

ColorProfileHolder GrayProfile(cmsToneCurve* curve, const char* description) {
    if (curve == nullptr) {
        return nullptr;
    }
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), curve);
    cmsFreeToneCurve(curve);
    if (profile != nullptr) {
        Describe(profile, description);
    }
    return ColorProfile::Adopt(profile);
}

// IEC 61966-2-1 tone curve: Y = ((X + 0.055) / 1.055)^2.4 above 0.04045, X / 12.92 below.
cmsToneCurve* SRGBToneCurve() {
    const cmsFloat64Number parameters[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    return cmsBuildParametricToneCurve(nullptr, 4, parameters);
}

}  // namespace

ColorState::ColorState() {
    {
        std::lock_guard<std::recursive_mutex> guard(ColorEngineLock());
        srgb_ = ColorProfile::Adopt(cmsCreate_sRGBProfile());
        wideGamut_ = WideGamutRGB();
        outputGray_ = GrayProfile(SRGBToneCurve(), "Gray (sRGB tone curve)");
        gray_ = GrayProfile(cmsBuildGamma(nullptr, 2.2), "Gray Gamma 2.2");
        lab_ = ColorProfile::Adopt(cmsCreateLab4Profile(nullptr));  // D50
    }
    rgb_ = srgb_;
    cmyk_ = InstalledProfiles()->Find(kCMYKFallbackName);
    if (!cmyk_) {
        cmyk_ = ProfileFromFile(kCMYKFallbackFile);
    }
    ready_ = srgb_ && wideGamut_ && outputGray_ && gray_ && lab_;
}

std::shared_ptr<ColorState> ColorState::Current() {
    std::lock_guard<std::mutex> guard(g_stateLock);
    if (g_terminated) {
        throw HuekoException(kHuekoNoEngine);
    }
    if (!g_state) {
        std::shared_ptr<ColorState> state(new ColorState());
        if (!state->Ready()) {
            throw HuekoException(kHuekoNoEngine);
        }
        g_state = std::move(state);
    }
    return g_state;
}

void ColorState::Start() {
    {
        std::lock_guard<std::mutex> guard(g_stateLock);
        g_terminated = false;
    }
    Current();
}

void ColorState::Terminate() {
    std::shared_ptr<ColorState> released;
    std::lock_guard<std::mutex> guard(g_stateLock);
    g_terminated = true;
    released = std::move(g_state);
}

std::shared_ptr<const HuekoProfileList> ColorState::InstalledProfiles() {
    std::call_once(listScanned_, [this] {
        installed_ = HuekoProfileList::Scan(HuekoProfileList::SystemFolders());
    });
    return installed_;
}

}  // namespace ThumbMetaLib
