#include "ThumbMetaLib/shell/PngText.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace ThumbMetaLib::shell {
namespace {

constexpr char kSignature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
constexpr uint32_t kMaxTextChunkBytes = 64 * 1024;
constexpr int kMaxChunks = 10000;
constexpr size_t kMaxKeywords = 64;
// Chunk lengths above 2^31 - 1 are invalid in PNG.
constexpr uint32_t kMaxChunkLength = 0x7fffffffu;

uint32_t BigEndian32(const unsigned char* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 |
           uint32_t(bytes[3]);
}

// tEXt: keyword NUL text.
void AddText(const std::string& data, std::map<std::string, std::string>& found) {
    const size_t nul = data.find('\0');
    if (nul == std::string::npos || nul == 0) {
        return;
    }
    found.emplace(data.substr(0, nul), data.substr(nul + 1));
}

// iTXt: keyword NUL flag method language NUL translated-keyword NUL text (UTF-8).
void AddInternationalText(const std::string& data, std::map<std::string, std::string>& found) {
    const size_t nul = data.find('\0');
    if (nul == std::string::npos || nul == 0 || nul + 3 > data.size() || data[nul + 1] != 0) {
        return;  // compressed text is not read
    }
    const size_t language = data.find('\0', nul + 3);
    const size_t translated =
        language == std::string::npos ? language : data.find('\0', language + 1);
    if (translated == std::string::npos) {
        return;
    }
    found.emplace(data.substr(0, nul), data.substr(translated + 1));
}

}  // namespace

std::map<std::string, std::string> PngTextChunks(std::istream& in) {
    std::map<std::string, std::string> found;
    char signature[sizeof kSignature];
    if (!in.read(signature, sizeof signature) ||
        std::memcmp(signature, kSignature, sizeof signature) != 0) {
        return found;
    }
    for (int chunk = 0; chunk < kMaxChunks && found.size() < kMaxKeywords; ++chunk) {
        unsigned char header[8];
        if (!in.read(reinterpret_cast<char*>(header), sizeof header)) {
            break;
        }
        const uint32_t length = BigEndian32(header);
        const std::string type(reinterpret_cast<const char*>(header + 4), 4);
        if (length > kMaxChunkLength || type == "IEND") {
            break;
        }
        const bool text = type == "tEXt" || type == "iTXt";
        if (text && length <= kMaxTextChunkBytes) {
            std::string data(length, '\0');
            if (!in.read(data.data(), std::streamsize(length))) {
                break;
            }
            (type == "tEXt" ? AddText : AddInternationalText)(data, found);
            in.seekg(4, std::ios::cur);  // the CRC
        } else {
            in.seekg(std::streamoff(length) + 4, std::ios::cur);
        }
        if (!in) {
            break;
        }
    }
    return found;
}

std::map<std::string, std::string> PngTextChunksOfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    return PngTextChunks(in);
}

}  // namespace ThumbMetaLib::shell
