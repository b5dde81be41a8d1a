// Helpers shared by the encoder, metadata and rotation tests: synthetic images, in-memory
// writers, libjpeg-turbo as the reference decoder, and PSNR.
#pragma once

// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "HXJPEG.h"

namespace hxjpeg_test {

// Interleaved 8-bit pixels.
// Named apart from the decoder tests' Image: both live in one test executable, and two classes
// of one name there broke the one-definition rule (at -O0 one's destructor ran on the other).
struct SourceImage {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t channels = 0;
    std::vector<uint8_t> pixels;

    uint8_t& At(uint32_t x, uint32_t y, uint32_t c) {
        return pixels[(static_cast<size_t>(y) * width + x) * channels + c];
    }
    uint8_t At(uint32_t x, uint32_t y, uint32_t c) const {
        return pixels[(static_cast<size_t>(y) * width + x) * channels + c];
    }
};

// A photo-like test image: smooth gradients, a few hard edges and some fine texture, so that
// every frequency band gets coefficients. Deterministic.
inline SourceImage MakePhoto(uint32_t width, uint32_t height, uint32_t channels,
                             uint32_t seed = 1) {
    SourceImage image{width, height, channels,
                      std::vector<uint8_t>(size_t{width} * height * channels)};
    uint32_t state = seed * 2654435761u + 12345u;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>((state >> 24) % 9) - 4;
            const bool edge = ((x / 23) + (y / 17)) % 3 == 0;
            for (uint32_t c = 0; c < channels; ++c) {
                const double wave = std::sin((x * (0.05 + 0.02 * c)) + (y * 0.03)) *
                                    std::cos(y * (0.04 + 0.01 * c) - x * 0.01);
                double value =
                    128 + 70 * wave + (edge ? 30 : -20) + noise + 40.0 * c * x / (width + 1.0);
                value = value < 0 ? 0 : (value > 255 ? 255 : value);
                image.At(x, y, c) = static_cast<uint8_t>(value);
            }
        }
    }
    return image;
}

inline HXJPEGImageContent ContentOf(SourceImage& image) {
    HXJPEGImageContent content{};
    for (uint32_t c = 0; c < image.channels && c < 4; ++c) {
        content.planes[c] = image.pixels.data() + c;
    }
    content.pixelStride = image.channels;
    content.rowStride = image.width * image.channels;
    content.numPlanes = static_cast<uint8_t>(image.channels);
    return content;
}

// Collects everything the codec writes.
struct MemoryWriter {
    std::vector<uint8_t> bytes;
    int finishCalls = 0;
    uint32_t largestWrite = 0;
    std::vector<const uint8_t*> writePointers;

    HXJPEGWriter Writer() { return HXJPEGWriter{this, &Write, &Finish}; }
    static void Write(void* self, const uint8_t* data, uint32_t count, uint32_t reserved) {
        auto* writer = static_cast<MemoryWriter*>(self);
        writer->bytes.insert(writer->bytes.end(), data, data + count);
        writer->largestWrite = count > writer->largestWrite ? count : writer->largestWrite;
        writer->writePointers.push_back(data);
        (void)reserved;
    }
    static void Finish(void* self) { ++static_cast<MemoryWriter*>(self)->finishCalls; }
};

inline uint32_t ColorSpaceFor(uint32_t channels) {
    return channels == 1 ? HXJPEG_COLOR_GREY : channels == 4 ? HXJPEG_COLOR_CMYK : HXJPEG_COLOR_RGB;
}

// Encodes `image` through HXJPEGEncoderWriteContent; returns the result code.
inline int32_t Encode(SourceImage& image, HXJPEGEncodeOptions options, std::vector<uint8_t>& out) {
    MemoryWriter writer;
    HXJPEGEncoder* encoder = nullptr;
    int32_t result = HXJPEGEncoderCreate(writer.Writer(), options, &encoder);
    if (result != HXJPEG_OK) {
        return result;
    }
    HXJPEGHeader header{static_cast<uint16_t>(image.width), static_cast<uint16_t>(image.height),
                        static_cast<uint8_t>(image.channels), ColorSpaceFor(image.channels)};
    result = HXJPEGEncoderWriteContent(encoder, header, ContentOf(image));
    HXJPEGEncoderRelease(encoder);
    out = std::move(writer.bytes);
    return result;
}

inline HXJPEGEncodeOptions Options(uint32_t quality, uint32_t scanMode = 0, uint32_t bandMode = 0) {
    return HXJPEGEncodeOptions{quality, scanMode, bandMode};
}

// libjpeg-turbo as the reference decoder. Four-component files are read as YCCK (our APP14
// is not the signature libjpeg knows) and delivered as CMYK.
struct ReferenceDecode {
    bool ok = false;
    std::string error;
    SourceImage image;
};

namespace detail {
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};
inline void OnError(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    info->err->format_message(info, manager->message);
    std::longjmp(manager->jump, 1);
}
}  // namespace detail

inline ReferenceDecode DecodeWithLibjpeg(const std::vector<uint8_t>& bytes) {
    ReferenceDecode result;
    jpeg_decompress_struct info;
    detail::ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = detail::OnError;
    if (setjmp(errors.jump)) {
        result.error = errors.message;
        jpeg_destroy_decompress(&info);
        return result;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    if (info.num_components == 4) {
        info.jpeg_color_space = JCS_YCCK;
        info.out_color_space = JCS_CMYK;
    } else if (info.num_components == 3) {
        info.jpeg_color_space = JCS_YCbCr;
        info.out_color_space = JCS_RGB;
    }
    info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&info);
    SourceImage& image = result.image;
    image.width = info.output_width;
    image.height = info.output_height;
    image.channels = static_cast<uint32_t>(info.output_components);
    image.pixels.resize(size_t{image.width} * image.height * image.channels);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row =
            image.pixels.data() + size_t{info.output_scanline} * image.width * image.channels;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    result.ok = true;
    return result;
}

// Peak signal-to-noise ratio in dB over all samples (99 for identical images).
inline double Psnr(const SourceImage& a, const SourceImage& b) {
    if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) {
        return -1;
    }
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        const double d = static_cast<double>(a.pixels[i]) - static_cast<double>(b.pixels[i]);
        sum += d * d;
    }
    if (sum == 0) {
        return 99;
    }
    return 10 * std::log10(255.0 * 255.0 * a.pixels.size() / sum);
}

// Finds the first marker segment with `code` (0xFF, code) after SOI; returns its offset or -1.
inline long FindMarker(const std::vector<uint8_t>& bytes, uint8_t code) {
    size_t at = 2;
    while (at + 4 <= bytes.size()) {
        if (bytes[at] != 0xFF) {
            return -1;
        }
        const uint8_t marker = bytes[at + 1];
        if (marker == code) {
            return static_cast<long>(at);
        }
        if (marker == 0xDA || marker == 0xD9) {
            return -1;
        }
        at += 2 + ((size_t{bytes[at + 2]} << 8) | bytes[at + 3]);
    }
    return -1;
}

}  // namespace hxjpeg_test

namespace hxjpeg_test {

// libjpeg-turbo as an independent encoder of test sources: any sampling of the first
// component, optional progressive mode, restart interval and extra APPn segments.
struct ReferenceEncodeOptions {
    int quality = 85;
    int h0 = 2, v0 = 2;  // first component's factors; the others are 1x1
    bool progressive = false;
    int restartInterval = 0;
    bool withAppSegments = false;
};

inline std::vector<uint8_t> EncodeWithLibjpeg(const SourceImage& image,
                                              ReferenceEncodeOptions options) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = image.width;
    info.image_height = image.height;
    info.input_components = static_cast<int>(image.channels);
    info.in_color_space = image.channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, options.quality, TRUE);
    info.comp_info[0].h_samp_factor = image.channels == 1 ? 1 : options.h0;
    info.comp_info[0].v_samp_factor = image.channels == 1 ? 1 : options.v0;
    info.restart_interval = static_cast<unsigned int>(options.restartInterval);
    if (options.progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_start_compress(&info, TRUE);
    if (options.withAppSegments) {
        const JOCTET exif[] = "Exif\0\0not really";
        const JOCTET icc[] = "ICC_PROFILE\0\1\1data";
        jpeg_write_marker(&info, JPEG_APP0 + 1, exif, sizeof(exif));
        jpeg_write_marker(&info, JPEG_APP0 + 2, icc, sizeof(icc));
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(image.pixels.data()) +
                       size_t{info.next_scanline} * image.width * image.channels;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

// The quantised coefficients of a file as libjpeg-turbo reads them: per component, blocks
// row by row (natural order inside a block), with the component's block counts.
struct ReferenceCoefficients {
    bool ok = false;
    uint32_t width = 0, height = 0;
    struct Component {
        int h = 1, v = 1;
        uint32_t blocksAcross = 0, blocksDown = 0;
        std::vector<int16_t> blocks;
        uint16_t quant[64] = {};  // natural order
        const int16_t* Block(uint32_t x, uint32_t y) const {
            return blocks.data() + (size_t{y} * blocksAcross + x) * 64;
        }
    };
    std::vector<Component> components;
};

inline ReferenceCoefficients ReadCoefficientsWithLibjpeg(const std::vector<uint8_t>& bytes) {
    ReferenceCoefficients result;
    jpeg_decompress_struct info;
    detail::ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = detail::OnError;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return result;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&info);
    result.width = info.image_width;
    result.height = info.image_height;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& comp = info.comp_info[c];
        ReferenceCoefficients::Component out;
        out.h = comp.h_samp_factor;
        out.v = comp.v_samp_factor;
        out.blocksAcross = comp.width_in_blocks;
        out.blocksDown = comp.height_in_blocks;
        for (int k = 0; k < 64; ++k) {
            out.quant[k] = comp.quant_table->quantval[k];
        }
        out.blocks.resize(size_t{out.blocksAcross} * out.blocksDown * 64);
        for (uint32_t y = 0; y < out.blocksDown; ++y) {
            JBLOCKARRAY row = (*info.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&info),
                                                              arrays[c], y, 1, FALSE);
            for (uint32_t x = 0; x < out.blocksAcross; ++x) {
                for (int k = 0; k < 64; ++k) {
                    out.blocks[(size_t{y} * out.blocksAcross + x) * 64 + k] = row[0][x][k];
                }
            }
        }
        result.components.push_back(std::move(out));
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    result.ok = true;
    return result;
}

}  // namespace hxjpeg_test
