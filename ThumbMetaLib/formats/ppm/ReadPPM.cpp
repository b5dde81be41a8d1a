#include "ThumbMetaLib/formats/ppm/ReadPPM.h"

#include <array>
#include <cctype>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>

namespace ThumbMetaLib {
namespace {

// The magic line is read like fgets with a 70-byte buffer would.
constexpr size_t kMagicLineLimit = 70;
// Header lines longer than this are not a PPM header. Deliberate departure: the reader this
// follows read header lines in 70-byte pieces, so the tail of a long comment was scanned as
// numbers; here a whole line is one unit, comments of any sensible length are skipped whole.
constexpr size_t kHeaderLineLimit = 4096;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// One line without its '\n'; nullopt at the end of the file or for an over-long line.
std::optional<std::string> ReadLine(std::FILE* file, size_t limit) {
    std::string line;
    for (;;) {
        const int c = std::fgetc(file);
        if (c == EOF) {
            if (line.empty()) {
                return std::nullopt;
            }
            return line;
        }
        if (c == '\n') {
            return line;
        }
        if (line.size() == limit) {
            return std::nullopt;
        }
        line.push_back(char(c));
    }
}

// Like sscanf with "%d %d ..." over `wanted` values: the number of values read before the
// first thing that is not one. A value outside int is a failure (nullopt) instead of the
// undefined behaviour sscanf would have.
std::optional<int> ScanInts(const std::string& line, int wanted, std::array<long, 3>& out,
                            int start) {
    size_t at = 0;
    int read = 0;
    while (read < wanted) {
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) {
            ++at;
        }
        bool negative = false;
        if (at < line.size() && (line[at] == '+' || line[at] == '-')) {
            negative = line[at] == '-';
            ++at;
        }
        if (at >= line.size() || !std::isdigit(static_cast<unsigned char>(line[at]))) {
            break;
        }
        long value = 0;
        while (at < line.size() && std::isdigit(static_cast<unsigned char>(line[at]))) {
            value = value * 10 + (line[at] - '0');
            if (value > std::numeric_limits<int>::max()) {
                return std::nullopt;
            }
            ++at;
        }
        out[size_t(start + read)] = negative ? -value : value;
        ++read;
    }
    return read;
}

// Width, height and maximum value, read line by line after the magic line.
std::optional<std::array<long, 3>> ReadHeader(std::FILE* file) {
    std::array<long, 3> values{};
    int known = 0;
    while (known < 3) {
        const std::optional<std::string> line = ReadLine(file, kHeaderLineLimit);
        if (!line) {
            return std::nullopt;
        }
        if (!line->empty() && (*line)[0] == '#') {
            continue;
        }
        const std::optional<int> read = ScanInts(*line, 3 - known, values, known);
        if (!read) {
            return std::nullopt;
        }
        known += *read;
    }
    return values;
}

bool IsMagicLine(const std::string& line) {
    return line.size() >= 2 && line[0] == 'P' && line[1] == '6' &&
           (line.size() == 2 || std::isspace(static_cast<unsigned char>(line[2])));
}

}  // namespace

PixelsPtr ReadPPM(std::FILE* file) {
    const std::optional<std::string> magic = ReadLine(file, kMagicLineLimit);
    if (!magic || !IsMagicLine(*magic)) {
        return nullptr;
    }
    const std::optional<std::array<long, 3>> header = ReadHeader(file);
    if (!header) {
        return nullptr;
    }
    const auto [width, height, maxValue] = *header;
    // Deliberate departures from the reader this follows, which took any values: only 8-bit
    // samples (a maximum value of 255) are read, and sizes are capped before allocating.
    if (maxValue != 255 || width <= 0 || height <= 0 ||
        uint64_t(width) * uint64_t(height) * 3 > kMaxPPMBytes) {
        return nullptr;
    }
    PixelsPtr pixels =
        Pixels::Create(uint32_t(width), uint32_t(height), 3, kModeRGB, kLayoutInterleaved, true);
    if (!pixels || pixels->Bytes() == nullptr) {
        return nullptr;
    }
    const size_t rowLength = size_t(width) * 3;
    for (uint32_t row = 0; row < pixels->Height(); ++row) {
        // Deliberate departure: a file that ends early is an error, not a buffer whose last
        // rows were never written.
        if (std::fread(pixels->Bytes() + size_t(row) * pixels->RowBytes(), 1, rowLength, file) !=
            rowLength) {
            return nullptr;
        }
    }
    return pixels;
}

PixelsPtr ReadPPM(const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return nullptr;
    }
    return ReadPPM(file.get());
}

}  // namespace ThumbMetaLib
