// Fits a decoded 6000 x 4000 RGB photo into 256 x 256 with each scale mode and with libvips on
// the same pixels, and prints source megapixels per second (best process CPU time of several
// runs, since the machine is shared) and the ratios. Usage: bench_resample [runs]

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "LargePhoto.h"
#include "ThumbMetaLib/resample/Resample.h"
#include "ThumbMetaLib/resample/ResampleRowOps.h"

#if VANTORY_BENCH_WITH_VIPS
#include <vips/vips.h>
#endif

using namespace ThumbMetaLib;

namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr uint32_t kEdge = 256;

// The 22-megapixel large photo, decoded by djpeg and stretched to 6000 x 4000.
bool LoadPhoto(std::vector<uint8_t>& rgb) {
    const std::string jpeg = vantory_bench::LargePhotoJpeg();
    if (jpeg.empty()) {
        return false;
    }
    const std::string ppm =
        (std::filesystem::temp_directory_path() / "bench_resample.ppm").string();
    if (std::system(("djpeg -ppm -outfile '" + ppm + "' '" + jpeg + "'").c_str()) != 0) {
        return false;
    }
    FILE* file = std::fopen(ppm.c_str(), "rb");
    unsigned w = 0, h = 0, maxval = 0;
    const bool header = file && std::fscanf(file, "P6 %u %u %u", &w, &h, &maxval) == 3 &&
                        std::fgetc(file) != EOF && maxval == 255;
    std::vector<uint8_t> photo(size_t(w) * h * 3);
    const bool body = header && std::fread(photo.data(), 1, photo.size(), file) == photo.size();
    if (file) {
        std::fclose(file);
    }
    std::filesystem::remove(ppm);
    if (!body) {
        return false;
    }
    rgb.resize(size_t(kWidth) * kHeight * 3);
    for (uint32_t y = 0; y < kHeight; ++y) {
        const uint8_t* row = photo.data() + size_t(y * h / kHeight) * w * 3;
        for (uint32_t x = 0; x < kWidth; ++x) {
            std::memcpy(&rgb[(size_t(y) * kWidth + x) * 3], row + size_t(x * w / kWidth) * 3, 3);
        }
    }
    return true;
}

// Best process CPU time over the runs (all threads of the process, so libvips' workers count
// too): on a machine shared with compilers, wall time says more about the neighbours.
double BestSeconds(int runs, const std::function<bool()>& body) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        timespec start{};
        timespec end{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
        if (!body()) {
            return -1;
        }
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
        best = std::min(best,
                        double(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) * 1e-9);
    }
    return best;
}

struct Row {
    std::string name;
    double seconds;
};

void Print(const std::vector<Row>& rows, const Row* anchor) {
    const double megapixels = double(kWidth) * kHeight / 1e6;
    for (const Row& row : rows) {
        if (row.seconds < 0) {
            std::printf("%-44s failed\n", row.name.c_str());
            continue;
        }
        std::printf("%-44s %8.2f ms %8.1f MP/s", row.name.c_str(), row.seconds * 1e3,
                    megapixels / row.seconds);
        if (anchor != nullptr && anchor->seconds > 0) {
            std::printf("   x%.2f vs %s", anchor->seconds / row.seconds, anchor->name.c_str());
        }
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    std::vector<uint8_t> rgb;
    if (!LoadPhoto(rgb)) {
        std::fprintf(stderr, "cannot decode the benchmark photo (djpeg needed)\n");
        return 1;
    }
    PixelsPtr planar = Pixels::Create(kWidth, kHeight, 3, kModeRGB, kLayoutPlanar, true);
    PixelsPtr packed = Pixels::Create(kWidth, kHeight, 3, kModeRGB, kLayoutInterleaved, true);
    for (uint32_t y = 0; y < kHeight; ++y) {
        std::memcpy(packed->Bytes() + size_t(y) * packed->RowBytes(), &rgb[size_t(y) * kWidth * 3],
                    size_t(kWidth) * 3);
        for (int c = 0; c < 3; ++c) {
            uint8_t* out = planar->Plane(c) + size_t(y) * planar->RowBytes();
            for (uint32_t x = 0; x < kWidth; ++x) {
                out[x] = rgb[(size_t(y) * kWidth + x) * 3 + c];
            }
        }
    }
    const std::pair<uint32_t, uint32_t> fit = FitToSize(kWidth, kHeight, kEdge);
    const uint32_t w = fit.first;
    const uint32_t h = fit.second;
    std::printf("6000x4000 RGB -> %ux%u, best of %d runs, resampler loops: %s\n", w, h, runs,
                ActiveRowOps().name);

    std::vector<Row> rows;
    auto ours = [&](const char* name, const PixelsPtr& source, int mode) {
        rows.push_back({name, BestSeconds(runs, [&] {
                            PixelsPtr out = ScaleToFit(*source, kEdge, mode);
                            return out && out->Bytes() && out->Width() == w;
                        })});
    };
    ours("mode 1 (separable cubic, planar)", planar, kScaleCubic);
    ours("mode 2 (separable sharper cubic, planar)", planar, kScaleCubicSharp);
    ours("mode 0 (resize kernels, planar)", planar, kScaleKernels);
    ours("mode 0 (resize kernels, interleaved)", packed, kScaleKernels);
    ours("mode 1 (separable cubic, interleaved src)", packed, kScaleCubic);
    {
        // Portrait: the pass order flips, so the horizontal box stage sees the full image.
        PixelsPtr portrait = Pixels::Create(kHeight, kWidth, 3, kModeRGB, kLayoutPlanar, true);
        for (int c = 0; c < 3; ++c) {
            for (uint32_t y = 0; y < kWidth; ++y) {
                uint8_t* out = portrait->Plane(c) + size_t(y) * portrait->RowBytes();
                for (uint32_t x = 0; x < kHeight; ++x) {
                    out[x] = planar->Plane(c)[size_t(x) * planar->RowBytes() + y];
                }
            }
        }
        rows.push_back({"mode 1 (separable cubic, planar, portrait)", BestSeconds(runs, [&] {
                            PixelsPtr out = ScaleToFit(*portrait, kEdge, kScaleCubic);
                            return out && out->Bytes() && out->Height() == w;
                        })});
    }

#if VANTORY_BENCH_WITH_VIPS
    if (VIPS_INIT(argv[0]) != 0) {
        std::fprintf(stderr, "libvips did not start\n");
        return 1;
    }
    vips_cache_set_max(0);
    const double hscale = double(w) / kWidth;
    const double vscale = double(h) / kHeight;
    auto vipsRun = [&](const std::function<int(VipsImage*, VipsImage**)>& op) {
        return [&rgb, op] {
            VipsImage* in = vips_image_new_from_memory(rgb.data(), rgb.size(), kWidth, kHeight, 3,
                                                       VIPS_FORMAT_UCHAR);
            VipsImage* out = nullptr;
            bool ok = in != nullptr && op(in, &out) == 0;
            size_t size = 0;
            void* pixels = ok ? vips_image_write_to_memory(out, &size) : nullptr;
            ok = ok && pixels != nullptr;
            g_free(pixels);
            if (out) {
                g_object_unref(out);
            }
            if (in) {
                g_object_unref(in);
            }
            return ok;
        };
    };
    const auto resize = [&](VipsImage* in, VipsImage** out) {
        return vips_resize(in, out, hscale, "vscale", vscale, "kernel", VIPS_KERNEL_CUBIC, nullptr);
    };
    const auto reduce = [&](VipsImage* in, VipsImage** out) {
        return vips_reduce(in, out, 1.0 / hscale, 1.0 / vscale, "kernel", VIPS_KERNEL_CUBIC,
                           nullptr);
    };
    const auto thumbnail = [&](VipsImage* in, VipsImage** out) {
        return vips_thumbnail_image(in, out, int(kEdge), nullptr);
    };
    for (int threads : {1, 2}) {
        vips_concurrency_set(threads);
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, " %d thread%s", vips_concurrency_get(),
                      vips_concurrency_get() == 1 ? "" : "s");
        rows.push_back(
            {std::string("libvips resize cubic,") + suffix, BestSeconds(runs, vipsRun(resize))});
        rows.push_back(
            {std::string("libvips reduce cubic,") + suffix, BestSeconds(runs, vipsRun(reduce))});
        rows.push_back({std::string("libvips thumbnail_image,") + suffix,
                        BestSeconds(runs, vipsRun(thumbnail))});
    }
    const Row anchor = rows[6];  // libvips resize, one thread
    Print(rows, &anchor);
    const Row reduceAnchor = rows[7];
    std::printf("mode 1 vs libvips reduce (1 thread): x%.2f, vs libvips resize (1 thread): x%.2f\n",
                reduceAnchor.seconds / rows[0].seconds, anchor.seconds / rows[0].seconds);
    vips_shutdown();
#else
    Print(rows, nullptr);
    std::printf("libvips-dev not found: no libvips rows\n");
#endif
    return 0;
}
