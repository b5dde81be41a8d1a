#pragma once

// Helpers of the layered-document and TIFF tests: corpus files that must exist, the handler's
// result in sRGB, ImageMagick's flattened render of the same file, and their difference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ThumbMetaLib/color/ColorState.h"
#include "ThumbMetaLib/engine/ThumbnailColor.h"
#include "ThumbMetaLib/formats/pictorium/PictoriumLibFormat.h"
#include "ThumbMetaLib/tests/ColorTestSupport.h"
#include "ThumbMetaLib/tests/PpmImage.h"

namespace rastertest {

using ThumbMetaLib::test::RgbImage;

inline const char* kSRGBProfile = "/usr/share/color/icc/ghostscript/srgb.icc";
inline const char* kCMYKProfile = "/usr/share/color/icc/ghostscript/default_cmyk.icc";

// The corpus file, or a failure naming it.
inline std::string CorpusFile(const std::string& relative) {
    const std::string path = std::string(VANTORY_CORPUS_DIR) + "/" + relative;
    EXPECT_TRUE(std::filesystem::exists(path)) << "missing test file " << path;
    return path;
}

// Any buffer the handler gives (planar or interleaved, 1, 3 or 4 channels) as RGB.
inline RgbImage ToRgb(const ThumbMetaLib::Pixels& p) {
    RgbImage image{p.Width(), p.Height(), {}};
    image.rgb.resize(size_t{image.width} * image.height * 3);
    const int32_t colours = p.Channels() >= 3 ? 3 : 1;
    for (uint32_t y = 0; y < p.Height(); ++y) {
        for (uint32_t x = 0; x < p.Width(); ++x) {
            for (int32_t c = 0; c < 3; ++c) {
                image.rgb[(size_t{y} * image.width + x) * 3 + c] =
                    colortest::SampleAt(p, x, y, colours == 3 ? c : 0);
            }
        }
    }
    return image;
}

// The handler's composite of `path`, converted to sRGB by the engine's colour steps.
inline bool OurRender(const std::string& path, RgbImage& out) {
    using namespace ThumbMetaLib;
    ColorState::Start();
    auto handler = PictoriumLibFormat::Instance();
    ThumbOptions options;
    PixelsPtr pixels = handler->CreateThumbnail(path, 0, options);
    if (!pixels) {
        return false;
    }
    pixels = ConvertThumbnailColor(*handler, std::move(pixels), options);
    if (!pixels) {
        return false;
    }
    out = ToRgb(*pixels);
    return true;
}

// ImageMagick's render of the first image flattened over white, in sRGB. `assign` is the
// profile to assume when the file has none (CMYK files).
inline bool ImageMagickRender(const std::string& path, const colortest::ScratchFolder& scratch,
                              RgbImage& out, const std::string& assign = {}) {
    const std::string ppm = scratch.File("magick.ppm");
    std::string command = "convert '" + path + "[0]' -background white -flatten ";
    if (!assign.empty()) {
        command += "-profile " + assign + " ";
    }
    command += "-profile " + std::string(kSRGBProfile) + " -depth 8 '" + ppm + "'";
    return colortest::Run(command) && ThumbMetaLib::test::ReadPpm(ppm, out);
}

// libtiff's own RGBA render (tiff2rgba), over white, for what ImageMagick gets wrong.
inline bool LibtiffRender(const std::string& path, const colortest::ScratchFolder& scratch,
                          RgbImage& out) {
    const std::string rgba = scratch.File("rgba.tif");
    const std::string ppm = scratch.File("rgba.ppm");
    return colortest::Run("tiff2rgba '" + path + "' '" + rgba + "'") &&
           colortest::Run("convert '" + rgba + "' -background white -flatten -depth 8 '" + ppm +
                          "'") &&
           ThumbMetaLib::test::ReadPpm(ppm, out);
}

// The handler's composite before any colour conversion, as interleaved samples.
inline bool OurSamples(const std::string& path, colortest::Samples& out) {
    using namespace ThumbMetaLib;
    ThumbOptions options;
    PixelsPtr p = PictoriumLibFormat::Instance()->CreateThumbnail(path, 0, options);
    if (!p) {
        return false;
    }
    out = {p->Width(), p->Height(), p->Channels(), {}};
    for (uint32_t y = 0; y < p->Height(); ++y) {
        for (uint32_t x = 0; x < p->Width(); ++x) {
            for (int32_t c = 0; c < p->Channels(); ++c) {
                out.bytes.push_back(colortest::SampleAt(*p, x, y, c));
            }
        }
    }
    return true;
}

// ImageMagick's device samples of the first image ("cmyk", "gray" ...), 8 bits.
inline bool ImageMagickSamples(const std::string& path, const colortest::ScratchFolder& scratch,
                               const char* kind, int32_t channels, colortest::Samples& out) {
    const std::string raw = scratch.File("magick.raw");
    if (!colortest::Run("convert '" + path + "[0]' -depth 8 " + kind + ":'" + raw + "'")) {
        return false;
    }
    out.channels = channels;
    out.bytes = colortest::ReadAll(raw);
    return true;
}

inline double MeanDifference(const colortest::Samples& a, const colortest::Samples& b) {
    if (a.channels != b.channels || a.bytes.size() != b.bytes.size()) {
        return 256;
    }
    double total = 0;
    for (size_t i = 0; i < a.bytes.size(); ++i) {
        total += std::abs(int(a.bytes[i]) - int(b.bytes[i]));
    }
    return total / double(a.bytes.size());
}

// Mean absolute difference per sample; 256 when the sizes differ.
inline double MeanDifference(const RgbImage& a, const RgbImage& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) {
        return 256;
    }
    double total = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        total += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    }
    return total / double(a.rgb.size());
}

}  // namespace rastertest
