#include "PacketTranscoder.h"

#include <cstdint>

#include "XMPError.h"

namespace xmp {

namespace {

enum class Encoding { kUTF8, kUTF16BE, kUTF16LE, kUTF32BE, kUTF32LE };

struct Detected {
    Encoding encoding;
    size_t markLength;
};

// XML's own rule (Appendix F of XML 1.0): a byte-order mark, else the pattern of zero bytes
// around the first '<'.
Detected DetectEncoding(const unsigned char* b, size_t n) {
    if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return {Encoding::kUTF8, 3};
    if (n >= 4 && b[0] == 0 && b[1] == 0 && b[2] == 0xFE && b[3] == 0xFF)
        return {Encoding::kUTF32BE, 4};
    if (n >= 4 && b[0] == 0xFF && b[1] == 0xFE && b[2] == 0 && b[3] == 0)
        return {Encoding::kUTF32LE, 4};
    if (n >= 2 && b[0] == 0xFE && b[1] == 0xFF)
        return {Encoding::kUTF16BE, 2};
    if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE)
        return {Encoding::kUTF16LE, 2};
    if (n >= 4 && b[0] == 0 && b[1] == 0 && b[2] == 0 && b[3] != 0)
        return {Encoding::kUTF32BE, 0};
    if (n >= 4 && b[0] != 0 && b[1] == 0 && b[2] == 0 && b[3] == 0)
        return {Encoding::kUTF32LE, 0};
    if (n >= 2 && b[0] == 0 && b[1] != 0)
        return {Encoding::kUTF16BE, 0};
    if (n >= 2 && b[0] != 0 && b[1] == 0)
        return {Encoding::kUTF16LE, 0};
    return {Encoding::kUTF8, 0};
}

[[noreturn]] void BadEncoding(const char* what) {
    throw XMPError(kXMPErr_BadXML, std::string("Invalid packet encoding: ") + what);
}

void AppendUTF8(uint32_t cp, std::string* out) {
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string FromUTF16(const unsigned char* b, size_t n, bool bigEndian) {
    if (n % 2 != 0)
        BadEncoding("odd length of UTF-16 text");
    std::string out;
    out.reserve(n);
    auto unit = [&](size_t i) -> uint32_t {
        return bigEndian ? (b[i] << 8) | b[i + 1] : (b[i + 1] << 8) | b[i];
    };
    for (size_t i = 0; i < n; i += 2) {
        uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 2 >= n)
                BadEncoding("lone UTF-16 surrogate");
            uint32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF)
                BadEncoding("lone UTF-16 surrogate");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            BadEncoding("lone UTF-16 surrogate");
        }
        AppendUTF8(cp, &out);
    }
    return out;
}

std::string FromUTF32(const unsigned char* b, size_t n, bool bigEndian) {
    if (n % 4 != 0)
        BadEncoding("UTF-32 text length is not a multiple of 4");
    std::string out;
    out.reserve(n / 2);
    for (size_t i = 0; i < n; i += 4) {
        uint32_t cp = bigEndian
                          ? (uint32_t(b[i]) << 24) | (b[i + 1] << 16) | (b[i + 2] << 8) | b[i + 3]
                          : (uint32_t(b[i + 3]) << 24) | (b[i + 2] << 16) | (b[i + 1] << 8) | b[i];
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            BadEncoding("UTF-32 code point out of range");
        AppendUTF8(cp, &out);
    }
    return out;
}

}  // namespace

std::string TranscodePacketToUTF8(const char* data, size_t size) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    Detected detected = DetectEncoding(bytes, size);
    const unsigned char* body = bytes + detected.markLength;
    size_t length = size - detected.markLength;
    switch (detected.encoding) {
        case Encoding::kUTF8:
            // Expat checks the UTF-8 itself.
            return std::string(reinterpret_cast<const char*>(body), length);
        case Encoding::kUTF16BE:
            return FromUTF16(body, length, true);
        case Encoding::kUTF16LE:
            return FromUTF16(body, length, false);
        case Encoding::kUTF32BE:
            return FromUTF32(body, length, true);
        case Encoding::kUTF32LE:
            return FromUTF32(body, length, false);
    }
    return {};
}

bool IsValidXMLText(const std::string& text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    size_t n = text.size();
    for (size_t i = 0; i < n;) {
        unsigned char c = s[i];
        uint32_t cp;
        size_t extra;
        if (c < 0x80) {
            cp = c;
            extra = 0;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (i + extra >= n && extra > 0)
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        static constexpr uint32_t kMinForLength[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMinForLength[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        if (cp < 0x20 && cp != 0x9 && cp != 0xA && cp != 0xD)
            return false;
        if (cp == 0xFFFE || cp == 0xFFFF)
            return false;
        i += extra + 1;
    }
    return true;
}

}  // namespace xmp
