// Helpers shared by the decoder tests: decoding with HXJPEG and with libjpeg-turbo (the oracle,
// linked by tests only), sample comparison, temporary directories and the command-line tools.
#pragma once

// jpeglib.h needs size_t and FILE declared before it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>
#include <setjmp.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "HXJPEG.h"

namespace hxjpeg_test {

inline std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::filesystem::path CorpusDir() {
    return std::filesystem::path(VANTORY_CORPUS_DIR);
}

// A test file named by its path under the test files, read whole; a missing file fails the
// test with its name rather than passing on empty bytes.
inline std::vector<uint8_t> ReadCorpusFile(const std::string& relative) {
    const std::filesystem::path path = CorpusDir() / relative;
    if (!std::filesystem::is_regular_file(path)) {
        ADD_FAILURE() << "missing test file " << path;
        return {};
    }
    return ReadFile(path);
}

// The files of a folder of the test files and of the same folder in the extra collection
// (when it is configured and present), sorted; a file in both is taken once, from the test
// files. Recursive walks skip sub-folders named `skip`.
inline std::vector<std::filesystem::path> CorpusFilesIn(const std::string& folder,
                                                        bool recursive = false,
                                                        const std::string& skip = "") {
    namespace fs = std::filesystem;
    std::vector<fs::path> roots = {CorpusDir()};
    if (!std::string(VANTORY_EXTRA_CORPUS_DIR).empty()) {
        roots.emplace_back(VANTORY_EXTRA_CORPUS_DIR);
    }
    std::vector<fs::path> relatives;
    std::vector<fs::path> files;
    for (const fs::path& root : roots) {
        if (!fs::is_directory(root / folder)) {
            continue;
        }
        auto take = [&](const fs::directory_entry& entry) {
            const fs::path relative = fs::relative(entry.path(), root);
            if (entry.is_regular_file() &&
                std::find(relatives.begin(), relatives.end(), relative) == relatives.end()) {
                relatives.push_back(relative);
                files.push_back(entry.path());
            }
        };
        if (recursive) {
            for (auto it = fs::recursive_directory_iterator(root / folder);
                 it != fs::recursive_directory_iterator(); ++it) {
                if (it->is_directory() && it->path().filename() == skip) {
                    it.disable_recursion_pending();
                }
                take(*it);
            }
        } else {
            for (const auto& entry : fs::directory_iterator(root / folder)) {
                take(entry);
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

struct Image {
    int32_t result = 0;
    int width = 0;
    int height = 0;
    int channels = 0;
    int numComponents = 0;
    bool uniformSampling = true;  // oracle only: every component sampled alike
    std::vector<uint8_t> pixels;  // interleaved
};

inline int Channels(uint32_t colorSpace) {
    return colorSpace == HXJPEG_COLOR_GREY                                        ? 1
           : (colorSpace == HXJPEG_COLOR_CMYK || colorSpace == HXJPEG_COLOR_RGBX) ? 4
                                                                                  : 3;
}

struct WarningCounter {
    int count = 0;
    bool goOn = true;
    static bool OnWarning(void* self, int32_t) {
        auto* w = static_cast<WarningCounter*>(self);
        ++w->count;
        return w->goOn;
    }
};

// Decodes with HXJPEG into one interleaved buffer. colorSpace 0 resolves like the decoder.
inline Image DecodeHX(const std::vector<uint8_t>& bytes, uint32_t colorSpace, bool reduced = false,
                      WarningCounter* warnings = nullptr, uint8_t fill = 0) {
    Image image;
    HXJPEGDecodeOptions options;
    HXJPEGDecodeOptionsInitDefault(&options);
    if (reduced) {
        options.scaleX = options.scaleY = 8;
    }
    HXJPEGWarningHandler handler = {warnings, WarningCounter::OnWarning};
    HXJPEGDecoder* decoder = nullptr;
    HXJPEGData data = {bytes.data(), uint32_t(bytes.size())};
    image.result = HXJPEGDecoderCreateUsingData(data, options, warnings != nullptr,
                                                warnings ? &handler : nullptr, &decoder);
    if (image.result != 0) {
        return image;
    }
    HXJPEGHeader header;
    image.result = HXJPEGDecoderReadHeader(decoder, nullptr, &header);
    if (image.result == 0) {
        if (colorSpace == 0) {
            colorSpace = header.numComponents == 1   ? HXJPEG_COLOR_GREY
                         : header.numComponents == 4 ? HXJPEG_COLOR_CMYK
                                                     : HXJPEG_COLOR_RGB;
        }
        if (uint64_t(header.width) * header.height * Channels(colorSpace) > (uint64_t(1) << 28)) {
            image.result = 1;  // larger than any test image: not decoded here
            HXJPEGDecoderRelease(decoder);
            return image;
        }
        image.width = header.width;
        image.height = header.height;
        image.numComponents = header.numComponents;
        image.channels = Channels(colorSpace);
        image.pixels.assign(size_t(image.width) * image.height * image.channels, fill);
        HXJPEGImageContent content = {};
        for (int i = 0; i < image.channels; ++i) {
            content.planes[i] = image.pixels.data() + i;
        }
        content.pixelStride = uint32_t(image.channels);
        content.rowStride = uint32_t(image.width * image.channels);
        content.numPlanes = uint8_t(image.channels);
        image.result = HXJPEGDecoderReadContent(decoder, colorSpace, content);
    }
    HXJPEGDecoderRelease(decoder);
    return image;
}

// Does the file carry the codec's own APP14 segment with transform 0 (plain CMYK)?
inline bool HasUntransformedApp14(const std::vector<uint8_t>& bytes) {
    bool flag = false;
    for (size_t i = 2; i + 4 < bytes.size();) {
        if (bytes[i] != 0xFF) {
            break;
        }
        uint8_t code = bytes[i + 1];
        if (code == 0xDA) {
            break;
        }
        size_t length = (size_t(bytes[i + 2]) << 8) | bytes[i + 3];
        if (code == 0xEE) {
            flag = length >= 14 && i + 4 + 12 <= bytes.size() &&
                   std::memcmp(&bytes[i + 4], "Quarn", 5) == 0 && bytes[i + 4 + 11] == 0;
        }
        i += 2 + length;
    }
    return flag;
}

struct OracleError {
    jpeg_error_mgr base;
    jmp_buf jump;
};

// libjpeg-turbo with box upsampling and the float DCT, its colour model forced to the one HXJPEG
// applies (three components are always YCbCr; four are YCCK unless the codec's APP14 says
// transform 0). Output: grey, RGB or CMYK.
inline Image DecodeOracle(const std::vector<uint8_t>& bytes, bool reduced = false) {
    Image image;
    jpeg_decompress_struct cinfo;
    OracleError error;
    cinfo.err = jpeg_std_error(&error.base);
    error.base.error_exit = [](j_common_ptr c) {
        longjmp(reinterpret_cast<OracleError*>(c->err)->jump, 1);
    };
    error.base.emit_message = [](j_common_ptr, int) {};
    jpeg_create_decompress(&cinfo);
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&cinfo);
        image.result = -1;
        return image;
    }
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.num_components == 3) {
        cinfo.jpeg_color_space = JCS_YCbCr;
        cinfo.out_color_space = JCS_RGB;
    } else if (cinfo.num_components == 4) {
        cinfo.jpeg_color_space = HasUntransformedApp14(bytes) ? JCS_CMYK : JCS_YCCK;
        cinfo.out_color_space = JCS_CMYK;
    } else {
        cinfo.out_color_space = JCS_GRAYSCALE;
    }
    cinfo.do_fancy_upsampling = FALSE;
    cinfo.do_block_smoothing = FALSE;
    cinfo.dct_method = JDCT_FLOAT;
    if (reduced) {
        cinfo.scale_num = 1;
        cinfo.scale_denom = 8;
    }
    for (int c = 1; c < cinfo.num_components; ++c) {
        if (cinfo.comp_info[c].h_samp_factor != cinfo.comp_info[0].h_samp_factor ||
            cinfo.comp_info[c].v_samp_factor != cinfo.comp_info[0].v_samp_factor) {
            image.uniformSampling = false;
        }
    }
    jpeg_start_decompress(&cinfo);
    image.width = int(cinfo.output_width);
    image.height = int(cinfo.output_height);
    image.channels = cinfo.output_components;
    image.numComponents = cinfo.num_components;
    image.pixels.resize(size_t(image.width) * image.height * image.channels);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row =
            image.pixels.data() + size_t(cinfo.output_scanline) * image.width * image.channels;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return image;
}

struct Difference {
    int max = 0;
    double mean = 0;
    double over2 = 0;  // fraction of samples that differ by more than 2
    bool comparable = false;
};

// Compares the common area (sizes may differ in the reduced decode, which rounds up to MCUs).
inline Difference Compare(const Image& a, const Image& b) {
    Difference d;
    if (a.channels != b.channels || a.width == 0 || b.width == 0) {
        return d;
    }
    int w = std::min(a.width, b.width);
    int h = std::min(a.height, b.height);
    uint64_t sum = 0;
    uint64_t over2 = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w * a.channels; ++x) {
            int va = a.pixels[(size_t(y) * a.width) * a.channels + x];
            int vb = b.pixels[(size_t(y) * b.width) * b.channels + x];
            int diff = std::abs(va - vb);
            d.max = std::max(d.max, diff);
            sum += uint64_t(diff);
            over2 += diff > 2;
        }
    }
    d.mean = double(sum) / (double(w) * h * a.channels);
    d.over2 = double(over2) / (double(w) * h * a.channels);
    d.comparable = true;
    return d;
}

// A temporary directory removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "hxjpeg-test-XXXXXX").string();
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data()) != nullptr) {
            path_ = buffer.data();
        }
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, ignored);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline bool RunTool(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// A synthetic photo-like RGB image (smooth gradients, edges and texture) as binary PPM.
inline std::vector<uint8_t> SyntheticPPM(int width, int height, bool grey = false) {
    std::string head = std::string(grey ? "P5\n" : "P6\n") + std::to_string(width) + " " +
                       std::to_string(height) + "\n255\n";
    std::vector<uint8_t> out(head.begin(), head.end());
    uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise = noise * 1103515245u + 12345u;
            int n = int((noise >> 16) & 31) - 16;
            int r = (x * 255) / std::max(1, width - 1);
            int g = (y * 255) / std::max(1, height - 1);
            int b = ((x / 7 + y / 5) % 2) ? 200 : 40;
            if ((x - width / 2) * (x - width / 2) + (y - height / 2) * (y - height / 2) <
                (width * height) / 16) {
                r = 255 - r;
            }
            int v[3] = {r + n, g + n / 2, b + n};
            for (int c = 0; c < (grey ? 1 : 3); ++c) {
                out.push_back(uint8_t(std::clamp(v[c], 0, 255)));
            }
        }
    }
    return out;
}

}  // namespace hxjpeg_test
