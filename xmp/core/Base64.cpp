// Base64 (RFC 4648 alphabet) of TXMPUtils. Packet thumbnails hold their JPEG bytes this way,
// broken into lines that some writers spell as the character reference "&#xA;".
#include "TXMPUtils.h"
#include "XMPError.h"

namespace xmp {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// Length of a line-break character reference at text[i] ("&#xA;", "&#xa;", "&#10;", "&#xD;",
// "&#13;"), or 0.
size_t LineBreakReference(const std::string& text, size_t i) {
    static const char* const kReferences[] = {"&#xA;", "&#xa;", "&#10;", "&#xD;", "&#xd;", "&#13;"};
    for (const char* reference : kReferences) {
        if (text.compare(i, 5, reference) == 0)
            return 5;
    }
    return 0;
}

[[noreturn]] void BadBase64(const char* why) {
    throw XMPError(kXMPErr_BadValue, std::string("Bad Base64 text: ") + why);
}

}  // namespace

void TXMPUtils::EncodeToBase64(const std::string& raw, std::string* encoded) {
    std::string out;
    out.reserve((raw.size() + 2) / 3 * 4);
    const auto* bytes = reinterpret_cast<const unsigned char*>(raw.data());
    size_t i = 0;
    for (; i + 3 <= raw.size(); i += 3) {
        uint32_t group = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6)
            out.push_back(kAlphabet[(group >> shift) & 0x3F]);
    }
    size_t rest = raw.size() - i;
    if (rest > 0) {
        uint32_t group = bytes[i] << 16;
        if (rest == 2)
            group |= bytes[i + 1] << 8;
        out.push_back(kAlphabet[(group >> 18) & 0x3F]);
        out.push_back(kAlphabet[(group >> 12) & 0x3F]);
        out.push_back(rest == 2 ? kAlphabet[(group >> 6) & 0x3F] : '=');
        out.push_back('=');
    }
    *encoded = std::move(out);
}

void TXMPUtils::DecodeFromBase64(const std::string& encoded, std::string* raw) {
    std::string out;
    out.reserve(encoded.size() / 4 * 3 + 3);
    uint32_t group = 0;
    int sextets = 0;
    int padding = 0;
    bool finished = false;  // a padded group ends the data
    for (size_t i = 0; i < encoded.size(); ++i) {
        char c = encoded[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        if (c == '&') {
            size_t skip = LineBreakReference(encoded, i);
            if (skip == 0)
                BadBase64("stray '&'");
            i += skip - 1;
            continue;
        }
        if (finished)
            BadBase64("data after '='");
        if (c == '=') {
            if (sextets < 2)
                BadBase64("misplaced '='");
            ++padding;
            ++sextets;
        } else {
            int sextet = SextetOf(c);
            if (sextet < 0)
                BadBase64("invalid character");
            if (padding > 0)
                BadBase64("data after '='");
            group = (group << 6) | uint32_t(sextet);
            ++sextets;
        }
        if (sextets == 4) {
            group <<= 6 * padding;
            out.push_back(char(group >> 16));
            if (padding < 2)
                out.push_back(char(group >> 8));
            if (padding < 1)
                out.push_back(char(group));
            finished = padding > 0;
            group = 0;
            sextets = 0;
        }
    }
    if (sextets == 1 || (padding > 0 && sextets > 0))
        BadBase64("truncated group");
    if (sextets == 2 || sextets == 3) {  // unpadded end
        group <<= 6 * (4 - sextets);
        out.push_back(char(group >> 16));
        if (sextets == 3)
            out.push_back(char(group >> 8));
    }
    *raw = std::move(out);
}

}  // namespace xmp
