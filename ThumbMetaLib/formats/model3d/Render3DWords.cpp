#include "ThumbMetaLib/formats/model3d/Render3DWords.h"

namespace ThumbMetaLib::render3d {
namespace {

bool NeedsEscape(unsigned char byte) {
    return byte <= 0x20 || byte == 0x7F || byte == '%';
}

int HexValue(char digit) {
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + 10;
    }
    if (digit >= 'a' && digit <= 'f') {
        return digit - 'a' + 10;
    }
    return -1;
}

}  // namespace

std::string EscapeWord(std::string_view word) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(word.size());
    for (const char c : word) {
        const auto byte = static_cast<unsigned char>(c);
        if (NeedsEscape(byte)) {
            escaped += '%';
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0x0F];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::optional<std::string> UnescapeWord(std::string_view word) {
    std::string plain;
    plain.reserve(word.size());
    for (size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%') {
            plain += word[i];
            continue;
        }
        if (i + 2 >= word.size()) {
            return std::nullopt;
        }
        const int high = HexValue(word[i + 1]);
        const int low = HexValue(word[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        plain += static_cast<char>((high << 4) | low);
        i += 2;
    }
    return plain;
}

std::string RequestLine(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        line += EscapeWord(word);
        line += ' ';
    }
    line += '\n';
    return line;
}

std::optional<std::vector<std::string>> SplitRequestLine(std::string_view line) {
    std::vector<std::string> words;
    size_t start = 0;
    while (start < line.size()) {
        if (line[start] == ' ') {
            ++start;
            continue;
        }
        size_t end = line.find(' ', start);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        std::optional<std::string> word = UnescapeWord(line.substr(start, end - start));
        if (!word) {
            return std::nullopt;
        }
        words.push_back(std::move(*word));
        start = end;
    }
    return words;
}

}  // namespace ThumbMetaLib::render3d
