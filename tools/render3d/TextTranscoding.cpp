#include "tools/render3d/TextTranscoding.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace render3d {
namespace {

void AppendUTF8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

}  // namespace

bool IsModelTextName(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    for (const char* suffix : {".obj", ".mtl", ".dae"}) {
        const std::string s(suffix);
        if (lower.size() >= s.size() && lower.compare(lower.size() - s.size(), s.size(), s) == 0) {
            return true;
        }
    }
    return false;
}

std::string TranscodeUTF16(std::string bytes) {
    if (bytes.size() < 2) {
        return bytes;
    }
    const auto b0 = uint8_t(bytes[0]);
    const auto b1 = uint8_t(bytes[1]);
    const bool bigEndian = b0 == 0xFE && b1 == 0xFF;
    if (!bigEndian && !(b0 == 0xFF && b1 == 0xFE)) {
        return bytes;
    }
    auto unit = [&](size_t i) -> uint32_t {
        const auto first = uint8_t(bytes[i]);
        const auto second = uint8_t(bytes[i + 1]);
        return bigEndian ? (uint32_t(first) << 8) | second : (uint32_t(second) << 8) | first;
    };
    std::string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        uint32_t code = unit(i);
        if (code >= 0xD800 && code <= 0xDBFF && i + 3 < bytes.size()) {
            const uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            } else {
                code = 0xFFFD;
            }
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        AppendUTF8(out, code);
    }
    return out;
}

}  // namespace render3d
