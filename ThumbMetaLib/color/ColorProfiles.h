#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ThumbMetaLib/color/HuekoException.h"
#include "ThumbMetaLib/pixels/Pixels.h"

// Obtaining profiles. Every request raises HuekoException with kHuekoNoEngine ('gen ') when the
// colour engine is not available (see ColorState).
namespace ThumbMetaLib {

inline constexpr uint32_t kStandardProfileSRGB = FourCharCode("sRGB");
// Wide-gamut RGB compatible with the 1998 definition: D65, primaries R (0.64, 0.33),
// G (0.21, 0.71), B (0.15, 0.06), gamma 563/256.
inline constexpr uint32_t kStandardProfileWideGamutRGB = FourCharCode("wRGB");

// A built-in profile by code; empty for an unknown code.
ColorProfileHolder StandardProfile(uint32_t code);

// A profile from embedded ICC bytes; empty when they are not a valid profile.
ColorProfileHolder ProfileFromICC(const uint8_t* bytes, size_t size);

// The profile's description; empty for an empty holder.
std::string ProfileName(const ColorProfileHolder& profile);

// An installed profile (the system's ICC folders) or a built-in one, by its exact description;
// empty when there is none.
ColorProfileHolder FindProfileByName(const std::string& name);

// True when the colour engine is available and its state built.
bool IsColorManagementOn();

}  // namespace ThumbMetaLib
