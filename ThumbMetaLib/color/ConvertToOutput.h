#pragma once

#include <cstdint>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// How 8-bit CMYK samples are stored: Adobe-style JPEG files keep them inverted (0 = full ink).
enum class CMYKStorage { kNormal, kInverted };

// Converts `pixels` from `source` to the output space (sRGB) in place, and returns the buffer
// that holds the result, marked as in the output space with the sRGB profile:
// - RGB (mode 3): the same buffer; when `source` is the sRGB profile itself nothing is converted.
// - grayscale (mode 1): the same buffer, still one channel, on sRGB's tone curve.
// - CMYK (mode 4) and Lab (mode 9): a new RGB buffer over the same (converted) memory, since
//   the colour mode changes; interleaved CMYK becomes 4-byte RGB with 255 in the fourth byte.
// An empty `source`, or one whose colour space does not fit the mode, is replaced by the
// working profile of the mode. A fourth interleaved byte (or a planar alpha plane of RGB, Lab
// or grayscale) is carried over unchanged.
// Throws HuekoException: kHuekoNoEngine without a colour engine, kHuekoUnsupportedPixels for
// other modes, layouts or buffers without memory, kHuekoBadProfile without a usable profile,
// kHuekoNoTransform when the engine cannot build the transform.
PixelsPtr ConvertToOutput(const PixelsPtr& pixels, ColorProfileHolder source,
                          CMYKStorage storage = CMYKStorage::kNormal);

}  // namespace ThumbMetaLib
