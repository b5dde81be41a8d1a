#pragma once

#include <memory>
#include <mutex>

#include "ThumbMetaLib/color/HuekoProfileList.h"
#include "ThumbMetaLib/color/TransformCache.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// The process's colour state: the engine's standard profiles, the working profile of each colour
// mode, the installed-profile list and the transform cache. Built once on first use (or by
// Start), read-only afterwards; Terminate releases it and the engine counts as unavailable until
// Start is called again.
class ColorState {
public:
    // Looked up by name for the CMYK working profile; when it is not installed, the SWOP
    // profile shipped with the system's Ghostscript data takes its place.
    static constexpr const char* kCMYKFallbackName = "U.S. Web Coated (SWOP) v2";
    static constexpr const char* kCMYKFallbackFile =
        "/usr/share/color/icc/ghostscript/default_cmyk.icc";

    // The state, built on first use. Throws HuekoException (kHuekoNoEngine) after Terminate or
    // when the engine cannot build its standard profiles.
    static std::shared_ptr<ColorState> Current();
    static void Start();
    static void Terminate();

    ColorState(const ColorState&) = delete;
    ColorState& operator=(const ColorState&) = delete;

    bool Ready() const { return ready_; }

    const ColorProfileHolder& DefaultRGBProfile() const { return rgb_; }
    // Empty when neither the named profile nor the fallback file is installed.
    const ColorProfileHolder& DefaultCMYKProfile() const { return cmyk_; }
    const ColorProfileHolder& DefaultGrayProfile() const { return gray_; }
    const ColorProfileHolder& DefaultLabProfile() const { return lab_; }

    const ColorProfileHolder& SRGBProfile() const { return srgb_; }
    const ColorProfileHolder& WideGamutRGBProfile() const { return wideGamut_; }
    // Grayscale output: one channel on sRGB's tone curve.
    const ColorProfileHolder& OutputGrayProfile() const { return outputGray_; }

    // Installed profiles, scanned on first use.
    std::shared_ptr<const HuekoProfileList> InstalledProfiles();
    TransformCache& Transforms() { return transforms_; }

private:
    ColorState();

    bool ready_ = false;
    ColorProfileHolder srgb_;
    ColorProfileHolder wideGamut_;
    ColorProfileHolder outputGray_;
    ColorProfileHolder rgb_;
    ColorProfileHolder cmyk_;
    ColorProfileHolder gray_;
    ColorProfileHolder lab_;
    std::once_flag listScanned_;
    std::shared_ptr<const HuekoProfileList> installed_;
    TransformCache transforms_;
};

}  // namespace ThumbMetaLib
