#include "ThumbMetaLib/color/HuekoException.h"

namespace ThumbMetaLib {
namespace {

constexpr const char kAlertText[] =
    "$$$/Loom/AlertText/HuekoError=A color management error has occurred.  Error code: ^0";

std::string AlertText(uint32_t code) {
    std::string text = kAlertText;
    text.replace(text.find("^0"), 2, HuekoException::CodeText(code));
    return text;
}

}  // namespace

HuekoException::HuekoException(uint32_t code) : std::runtime_error(AlertText(code)), code_(code) {}

std::string HuekoException::CodeText(uint32_t code) {
    std::string chars;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<char>((code >> shift) & 0xff);
        if (c < 0x20 || c > 0x7e) {
            return std::to_string(code);
        }
        chars += c;
    }
    return chars;
}

}  // namespace ThumbMetaLib
