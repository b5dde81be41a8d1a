#pragma once

#include <lcms2.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "ThumbMetaLib/color/ColorProfile.h"

namespace ThumbMetaLib {

// A built transform from one profile to another for one pixel format. Built without the
// engine's one-pixel cache, so several threads may apply it at the same time.
class ColorTransform {
public:
    // Throws HuekoException (kHuekoNoTransform) when the engine cannot build it, e.g. when a
    // profile's colour space does not match the format.
    static std::shared_ptr<const ColorTransform> Create(const ColorProfile& source,
                                                        cmsUInt32Number inputFormat,
                                                        const ColorProfile& destination,
                                                        cmsUInt32Number outputFormat);

    ~ColorTransform();
    ColorTransform(const ColorTransform&) = delete;
    ColorTransform& operator=(const ColorTransform&) = delete;

    // Converts `height` rows of `width` pixels; for planar formats `planeBytes` is the distance
    // between planes. `in` and `out` may be the same memory when the pixel sizes allow it.
    void Apply(const uint8_t* in, uint8_t* out, uint32_t width, uint32_t height, size_t inRowBytes,
               size_t outRowBytes, size_t inPlaneBytes, size_t outPlaneBytes) const;

private:
    explicit ColorTransform(cmsHTRANSFORM handle) : handle_(handle) {}

    cmsHTRANSFORM handle_;
};

}  // namespace ThumbMetaLib
