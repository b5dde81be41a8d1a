#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace ThumbMetaLib {

// A four-character colour-engine code, first character in the high byte ('sRGB', 'gen ').
constexpr uint32_t FourCharCode(const char (&text)[5]) {
    return (static_cast<uint32_t>(static_cast<uint8_t>(text[0])) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 8) |
           static_cast<uint32_t>(static_cast<uint8_t>(text[3]));
}

// Result codes of the colour layer.
inline constexpr uint32_t kHuekoNoEngine = FourCharCode("gen ");           // engine not available
inline constexpr uint32_t kHuekoBadProfile = FourCharCode("prof");         // unusable profile
inline constexpr uint32_t kHuekoNoTransform = FourCharCode("xfrm");        // transform not built
inline constexpr uint32_t kHuekoUnsupportedPixels = FourCharCode("pxl ");  // mode or layout
inline constexpr uint32_t kHuekoNoMemory = FourCharCode("mem ");

// The engine's colour error. Its text is the alert text with ^0 replaced by the code, written as
// its four characters when they are printable and as a decimal number otherwise.
class HuekoException : public std::runtime_error {
public:
    explicit HuekoException(uint32_t code);

    uint32_t Code() const { return code_; }
    static std::string CodeText(uint32_t code);

private:
    uint32_t code_;
};

}  // namespace ThumbMetaLib
