#pragma once

// Helpers of the colour tests: a scratch folder, the Little CMS and ImageMagick command-line
// tools as oracles, raw sample files, and building Pixels from samples.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace colortest {

class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantory-color-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, ignored);
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    bool Ok() const { return !path_.empty(); }

private:
    std::filesystem::path path_;
};

inline bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

inline bool HaveTools() {
    return Run("(command -v tificc && command -v convert && command -v djpeg)");
}

inline std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Interleaved samples as the tools read and write them ("rgb:", "cmyk:", "gray:").
struct Samples {
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t channels = 0;
    std::vector<uint8_t> bytes;
};

// Converts an uncompressed TIFF written by `tificc` back to raw samples.
inline Samples ReadTiffSamples(const std::string& tiff, const std::string& scratchRaw,
                               const char* rawKind, uint32_t width, uint32_t height,
                               int32_t channels) {
    Samples s{width, height, channels, {}};
    if (Run("convert '" + tiff + "' -depth 8 " + rawKind + ":'" + scratchRaw + "'")) {
        s.bytes = ReadAll(scratchRaw);
    }
    return s;
}

// Interleaved samples into a Pixels buffer of the given layout (4 channels interleaved when the
// layout is interleaved and the samples have 4 channels, else 3).
inline ThumbMetaLib::PixelsPtr MakePixels(const Samples& s, int32_t mode, int32_t layout) {
    auto pixels = ThumbMetaLib::Pixels::Create(s.width, s.height, s.channels, mode, layout, true);
    if (!pixels || pixels->Bytes() == nullptr) {
        return nullptr;
    }
    for (uint32_t y = 0; y < s.height; ++y) {
        for (uint32_t x = 0; x < s.width; ++x) {
            for (int32_t c = 0; c < s.channels; ++c) {
                const uint8_t v = s.bytes[(static_cast<size_t>(y) * s.width + x) * s.channels + c];
                if (layout == ThumbMetaLib::kLayoutPlanar) {
                    pixels->Plane(c)[static_cast<size_t>(y) * pixels->RowBytes() + x] = v;
                } else {
                    pixels->Bytes()[static_cast<size_t>(y) * pixels->RowBytes() + x * s.channels +
                                    c] = v;
                }
            }
        }
    }
    return pixels;
}

// Sample (x, y, c) of a Pixels buffer in either layout.
inline uint8_t SampleAt(const ThumbMetaLib::Pixels& p, uint32_t x, uint32_t y, int32_t c) {
    if (p.Layout() == ThumbMetaLib::kLayoutPlanar) {
        return p.Plane(c)[static_cast<size_t>(y) * p.RowBytes() + x];
    }
    return p
        .Bytes()[static_cast<size_t>(y) * p.RowBytes() + static_cast<size_t>(x) * p.Channels() + c];
}

// Largest and mean absolute difference of the first `channels` channels against `expected`.
struct Difference {
    int maximum = 0;
    double mean = 0.0;
    double beyondTwo = 0.0;  // share of samples more than 2 levels off
};
inline Difference Compare(const ThumbMetaLib::Pixels& got, const Samples& expected,
                          int32_t channels) {
    Difference d;
    if (expected.bytes.size() <
        static_cast<size_t>(expected.width) * expected.height * expected.channels) {
        return {256, 256.0, 1.0};  // the oracle produced nothing usable
    }
    double total = 0.0;
    for (uint32_t y = 0; y < expected.height; ++y) {
        for (uint32_t x = 0; x < expected.width; ++x) {
            for (int32_t c = 0; c < channels; ++c) {
                const int want =
                    expected
                        .bytes[(static_cast<size_t>(y) * expected.width + x) * expected.channels +
                               c];
                const int diff = std::abs(SampleAt(got, x, y, c) - want);
                d.maximum = std::max(d.maximum, diff);
                d.beyondTwo += diff > 2 ? 1.0 : 0.0;
                total += diff;
            }
        }
    }
    const double count = static_cast<double>(expected.width) * expected.height * channels;
    d.mean = total / count;
    d.beyondTwo /= count;
    return d;
}

// Deterministic samples that sweep the whole cube plus noise.
inline Samples SweepSamples(uint32_t width, uint32_t height, int32_t channels) {
    Samples s{width, height, channels, {}};
    s.bytes.resize(static_cast<size_t>(width) * height * channels);
    uint32_t noise = 12345;
    for (size_t i = 0; i < s.bytes.size(); ++i) {
        noise = noise * 1103515245u + 12345u;
        const size_t pixel = i / static_cast<size_t>(channels);
        const size_t channel = i % static_cast<size_t>(channels);
        s.bytes[i] = static_cast<uint8_t>((pixel * (channel * 37 + 11) + (noise >> 24)) & 0xff);
    }
    return s;
}

}  // namespace colortest
