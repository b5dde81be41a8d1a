// What the HXJPEG benchmarks share: RGB images, PSNR, encoding with HXJPEG and with
// libjpeg-turbo (the peer), and libjpeg-turbo's file size at a given PSNR.
#pragma once

// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "HXJPEG.h"

namespace hxjpeg_bench {

struct Image {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline Image DecodeReference(const std::vector<uint8_t>& bytes) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.jpeg_color_space = JCS_YCbCr;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    Image image{info.output_width, info.output_height, {}};
    image.rgb.resize(size_t{image.width} * image.height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.rgb.data() + size_t{info.output_scanline} * image.width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return image;
}

inline Image Resample(const Image& source, uint32_t width, uint32_t height) {
    Image out{width, height, std::vector<uint8_t>(size_t{width} * height * 3)};
    for (uint32_t y = 0; y < height; ++y) {
        const double sy = (y + 0.5) * source.height / height - 0.5;
        const uint32_t y0 = static_cast<uint32_t>(std::max(0.0, std::floor(sy)));
        const uint32_t y1 = std::min(y0 + 1, source.height - 1);
        const double fy = std::clamp(sy - y0, 0.0, 1.0);
        for (uint32_t x = 0; x < width; ++x) {
            const double sx = (x + 0.5) * source.width / width - 0.5;
            const uint32_t x0 = static_cast<uint32_t>(std::max(0.0, std::floor(sx)));
            const uint32_t x1 = std::min(x0 + 1, source.width - 1);
            const double fx = std::clamp(sx - x0, 0.0, 1.0);
            for (int c = 0; c < 3; ++c) {
                auto at = [&](uint32_t xx, uint32_t yy) {
                    return static_cast<double>(
                        source.rgb[(size_t{yy} * source.width + xx) * 3 + c]);
                };
                const double v = (at(x0, y0) * (1 - fx) + at(x1, y0) * fx) * (1 - fy) +
                                 (at(x0, y1) * (1 - fx) + at(x1, y1) * fx) * fy;
                out.rgb[(size_t{y} * width + x) * 3 + c] = static_cast<uint8_t>(v + 0.5);
            }
        }
    }
    return out;
}

inline Image Crop(const Image& source, uint32_t width, uint32_t height) {
    Image out{width, height, std::vector<uint8_t>(size_t{width} * height * 3)};
    const uint32_t left = (source.width - width) / 2;
    const uint32_t top = (source.height - height) / 2;
    for (uint32_t y = 0; y < height; ++y) {
        std::copy_n(&source.rgb[(size_t{top + y} * source.width + left) * 3], size_t{width} * 3,
                    &out.rgb[size_t{y} * width * 3]);
    }
    return out;
}

inline double Psnr(const Image& a, const Image& b) {
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const double d = static_cast<double>(a.rgb[i]) - static_cast<double>(b.rgb[i]);
        sum += d * d;
    }
    return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * a.rgb.size() / sum);
}

struct Buffer {
    std::vector<uint8_t> bytes;
    static void Write(void* self, const uint8_t* data, uint32_t count, uint32_t) {
        auto& bytes = static_cast<Buffer*>(self)->bytes;
        bytes.insert(bytes.end(), data, data + count);
    }
    static void Finish(void*) {}
};

inline std::vector<uint8_t> EncodeHX(Image& image, uint32_t quality, uint32_t scanMode,
                                     uint32_t bandMode) {
    Buffer buffer;
    buffer.bytes.reserve(image.rgb.size() / 4);
    HXJPEGEncoder* encoder = nullptr;
    HXJPEGEncoderCreate(HXJPEGWriter{&buffer, &Buffer::Write, &Buffer::Finish},
                        HXJPEGEncodeOptions{quality, scanMode, bandMode}, &encoder);
    HXJPEGImageContent content{};
    content.planes[0] = image.rgb.data();
    content.planes[1] = image.rgb.data() + 1;
    content.planes[2] = image.rgb.data() + 2;
    content.pixelStride = 3;
    content.rowStride = image.width * 3;
    content.numPlanes = 3;
    const int32_t result = HXJPEGEncoderWriteContent(
        encoder,
        HXJPEGHeader{static_cast<uint16_t>(image.width), static_cast<uint16_t>(image.height), 3,
                     HXJPEG_COLOR_RGB},
        content);
    HXJPEGEncoderRelease(encoder);
    if (result != 0) {
        std::fprintf(stderr, "HXJPEG encode failed: %d\n", result);
        std::exit(1);
    }
    return std::move(buffer.bytes);
}

inline std::vector<uint8_t> EncodeLibjpeg(const Image& image, int quality, bool optimize,
                                          bool subsample) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = image.width;
    info.image_height = image.height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.optimize_coding = optimize ? TRUE : FALSE;
    info.comp_info[0].h_samp_factor = subsample ? 2 : 1;
    info.comp_info[0].v_samp_factor = subsample ? 2 : 1;
    info.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<uint8_t*>(image.rgb.data()) + size_t{info.next_scanline} * image.width * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

// libjpeg-turbo's file size (optimised Huffman tables) at a given PSNR, from its whole rate
// curve on one picture: every quality 1..100 is measured once, and a target PSNR is matched on
// the curve's Pareto front (the points no other quality beats in both size and PSNR), linearly
// between the two front points around it. A search over qualities that assumed PSNR rises with
// every quality step went wrong where the curve is flat (noise that no quality codes, very
// smooth pictures): neighbouring qualities there swap places, and the interpolation between
// them extrapolated.
struct Matched {
    int quality = 0;  // the quality of the front point at or above the target (101: none)
    double bytes = 0;
};
class PeerCurve {
public:
    PeerCurve(const Image& image, bool subsample) {
        for (int q = 1; q <= 100; ++q) {
            const std::vector<uint8_t> file = EncodeLibjpeg(image, q, true, subsample);
            points_.push_back({q, Psnr(image, DecodeReference(file)), double(file.size())});
        }
        // The front, by rising PSNR: walk down from the best PSNR keeping each point smaller
        // than every point above it.
        std::sort(points_.begin(), points_.end(),
                  [](const Point& a, const Point& b) { return a.psnr > b.psnr; });
        std::vector<Point> front;
        for (const Point& point : points_) {
            if (front.empty() || point.bytes < front.back().bytes) {
                front.push_back(point);
            }
        }
        std::reverse(front.begin(), front.end());
        points_ = std::move(front);
    }

    Matched BytesAt(double target) const {
        if (points_.back().psnr < target) {
            return {101, 0};
        }
        size_t above = 0;
        while (points_[above].psnr < target) {
            ++above;
        }
        const Point& high = points_[above];
        if (above == 0) {
            return {high.quality, high.bytes};
        }
        const Point& low = points_[above - 1];
        const double t = (target - low.psnr) / (high.psnr - low.psnr);
        return {high.quality, low.bytes + t * (high.bytes - low.bytes)};
    }

private:
    struct Point {
        int quality;
        double psnr, bytes;
    };
    std::vector<Point> points_;
};

inline Matched LibjpegBytesAtPsnr(const Image& image, double target, bool subsample) {
    return PeerCurve(image, subsample).BytesAt(target);
}

}  // namespace hxjpeg_bench
