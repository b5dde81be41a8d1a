// HXJPEG against libjpeg-turbo in one process: full-size RGB and one-eighth decodes of large
// photos (the extra collection's camera photos, or a 22-megapixel stand-in made at run time) and
// of a 24-megapixel 4:2:0 q90 photo made at run time. Prints
// megapixels per second and the ratio of times HXJPEG / libjpeg-turbo (best of several runs;
// the machine is shared, so single runs are noisy).
//
//   bench_hxjpeg_decode [repeats]      VANTORY_FORCE_PORTABLE=1 measures the portable path.
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <setjmp.h>

#include "HXJPEG.h"
#include "LargePhoto.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Decoded {
    int width = 0, height = 0;
    uint64_t checksum = 0;
};

std::vector<uint8_t> g_pixels;  // reused output buffer

Decoded DecodeHX(const std::vector<uint8_t>& bytes, bool reduced) {
    Decoded out;
    HXJPEGDecodeOptions options = {uint8_t(reduced ? 8 : 1), uint8_t(reduced ? 8 : 1)};
    HXJPEGDecoder* decoder = nullptr;
    if (HXJPEGDecoderCreateUsingData({bytes.data(), uint32_t(bytes.size())}, options, true, nullptr,
                                     &decoder) != 0) {
        return out;
    }
    HXJPEGHeader header;
    if (HXJPEGDecoderReadHeader(decoder, nullptr, &header) == 0) {
        out.width = header.width;
        out.height = header.height;
        g_pixels.resize(size_t(header.width) * header.height * 3);
        uint8_t* p = g_pixels.data();
        HXJPEGImageContent content = {{p, p + 1, p + 2, nullptr}, 3, uint32_t(header.width) * 3, 3};
        HXJPEGDecoderReadContent(decoder, HXJPEG_COLOR_RGB, content);
        out.checksum = g_pixels[g_pixels.size() / 2];
    }
    HXJPEGDecoderRelease(decoder);
    return out;
}

struct ErrorManager {
    jpeg_error_mgr base;
    jmp_buf jump;
};

// libjpeg-turbo as most programs call it (its defaults: smooth upsampling, accurate integer
// DCT), or with box upsampling and the fast DCT ("lean").
Decoded DecodeTurbo(const std::vector<uint8_t>& bytes, bool reduced, bool lean) {
    Decoded out;
    jpeg_decompress_struct cinfo;
    ErrorManager error;
    cinfo.err = jpeg_std_error(&error.base);
    error.base.error_exit = [](j_common_ptr c) {
        longjmp(reinterpret_cast<ErrorManager*>(c->err)->jump, 1);
    };
    error.base.emit_message = [](j_common_ptr, int) {};
    jpeg_create_decompress(&cinfo);
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return out;
    }
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    if (reduced) {
        cinfo.scale_num = 1;
        cinfo.scale_denom = 8;
    }
    if (lean) {
        cinfo.do_fancy_upsampling = FALSE;
        cinfo.dct_method = JDCT_IFAST;
    }
    jpeg_start_decompress(&cinfo);
    out.width = int(cinfo.output_width);
    out.height = int(cinfo.output_height);
    size_t stride = size_t(out.width) * 3;
    g_pixels.resize(stride * out.height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[16];
        for (int i = 0; i < 16; ++i) {
            rows[i] = g_pixels.data() +
                      std::min<size_t>(cinfo.output_scanline + i, out.height - 1) * stride;
        }
        jpeg_read_scanlines(&cinfo, rows, 16);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    out.checksum = g_pixels[g_pixels.size() / 2];
    return out;
}

double BestSeconds(int repeats, const std::function<void()>& body) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        auto start = std::chrono::steady_clock::now();
        body();
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = std::min(best, s);
    }
    return best;
}

// A 24-megapixel 4:2:0 q90 photo: the large photo scaled to 6000x4000 by ImageMagick.
fs::path MakeLargePhoto(const std::string& source) {
    fs::path out = fs::temp_directory_path() / "hxjpeg-bench-24mp.jpg";
    std::string command = "convert '" + source +
                          "' -resize '6000x4000!' -sampling-factor 2x2 -quality 90 '" +
                          out.string() + "' >/dev/null 2>&1";
    if (source.empty() || std::system(command.c_str()) != 0) {
        return {};
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    HXJPEGLibInit();
    std::vector<fs::path> files;
    const fs::path cameraPhotos = vantory_bench::ExtraLargePhotoFolder();
    if (!cameraPhotos.empty()) {
        for (const auto& entry : fs::directory_iterator(cameraPhotos)) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    const std::string large = vantory_bench::LargePhotoJpeg();
    if (cameraPhotos.empty() && !large.empty()) {
        files.push_back(large);
    }
    fs::path generated = MakeLargePhoto(large);
    if (!generated.empty()) {
        files.push_back(generated);
    }
    std::printf("HXJPEG decode vs libjpeg-turbo (best of %d; ratio = HXJPEG time / turbo time)\n",
                repeats);
    std::printf("%-40s %-5s %9s %9s %9s %8s %8s\n", "image", "size", "HX MP/s", "turbo", "lean",
                "ratio", "r(lean)");
    for (const auto& file : files) {
        std::vector<uint8_t> bytes = ReadFile(file);
        for (bool reduced : {false, true}) {
            Decoded probe = DecodeTurbo(bytes, false, false);
            double megapixels = double(probe.width) * probe.height / 1e6;
            double hx = BestSeconds(repeats, [&] { DecodeHX(bytes, reduced); });
            double turbo = BestSeconds(repeats, [&] { DecodeTurbo(bytes, reduced, false); });
            double lean = BestSeconds(repeats, [&] { DecodeTurbo(bytes, reduced, true); });
            std::printf("%-40s %-5s %9.1f %9.1f %9.1f %8.3f %8.3f\n",
                        file.filename().string().substr(0, 40).c_str(), reduced ? "1/8" : "full",
                        megapixels / hx, megapixels / turbo, megapixels / lean, hx / turbo,
                        hx / lean);
        }
    }
    if (!generated.empty()) {
        fs::remove(generated);
    }
    return 0;
}
