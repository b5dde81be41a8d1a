// A 24-megapixel (6000 x 4000) four-separation Scitex CT file made at run time, to a 256
// thumbnail: our reader plus the engine's cubic fit, against libvips loading the same bytes as a
// raw planar image (rawload of the 16,000 stored lines) and thumbnailing it.
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ThumbMetaLib/engine/ThumbOptions.h"
#include "ThumbMetaLib/formats/scitex/FBScitexFormat.h"
#include "ThumbMetaLib/resample/Resample.h"

#if VANTORY_BENCH_WITH_VIPS
#include <vips/vips.h>
#endif

namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr uint32_t kEdge = 256;

std::string MakeFile() {
    const std::string path =
        (std::filesystem::temp_directory_path() / "vantory-bench-24mp.sct").string();
    std::vector<uint8_t> header(2048, 0);
    const std::string fields = "+.20000000E+02+.30000000E+02+00000004000+00000006000";
    header[1024] = 1;  // inches
    header[1025] = 4;
    std::copy(fields.begin(), fields.end(), header.begin() + 1028);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
    std::vector<uint8_t> line(kWidth);
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (int s = 0; s < 4; ++s) {
            for (uint32_t x = 0; x < kWidth; ++x) {
                line[x] = uint8_t((x * (s + 1) + y * 3 + ((x * 7919 + y * 104729) >> 5)) & 255);
            }
            out.write(reinterpret_cast<const char*>(line.data()), std::streamsize(line.size()));
        }
    }
    return out ? path : std::string();
}

double BestSeconds(int runs, const std::function<bool()>& body) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        timespec start{};
        timespec end{};
        clock_gettime(CLOCK_MONOTONIC, &start);
        if (!body()) {
            return -1;
        }
        clock_gettime(CLOCK_MONOTONIC, &end);
        best = std::min(best,
                        double(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) * 1e-9);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string path = MakeFile();
    if (path.empty()) {
        std::fprintf(stderr, "cannot write the benchmark file\n");
        return 1;
    }
    ThumbMetaLib::FBScitexFormat handler;
    const double ours = BestSeconds(runs, [&] {
        ThumbMetaLib::ThumbOptions options;
        ThumbMetaLib::PixelsPtr pixels = handler.CreateThumbnail(path, kEdge, options);
        return pixels && ThumbMetaLib::ScaleToFit(*pixels, kEdge, ThumbMetaLib::kScaleCubic);
    });
    std::printf(
        "Scitex CT 6000x4000 CMYK -> 256, wall time, best of %d runs (file in page cache)\n", runs);
    std::printf("%-40s %8.1f ms\n", "FBScitexFormat + cubic fit", ours * 1e3);
#if VANTORY_BENCH_WITH_VIPS
    if (VIPS_INIT(argv[0]) == 0) {
        vips_cache_set_max(0);
        const double peer = BestSeconds(runs, [&] {
            VipsImage* raw = nullptr;
            VipsImage* thumb = nullptr;
            if (vips_rawload(path.c_str(), &raw, int(kWidth), int(kHeight * 4), 1, "offset",
                             guint64{2048}, nullptr) != 0) {
                return false;
            }
            const int failed = vips_thumbnail_image(raw, &thumb, int(kEdge), nullptr);
            size_t bytes = 0;
            void* memory = failed == 0 ? vips_image_write_to_memory(thumb, &bytes) : nullptr;
            g_free(memory);
            if (thumb != nullptr) {
                g_object_unref(thumb);
            }
            g_object_unref(raw);
            return memory != nullptr;
        });
        std::printf("%-40s %8.1f ms   ours x%.2f of its time\n", "vips rawload + thumbnail",
                    peer * 1e3, peer > 0 ? ours / peer : 0.0);
    }
#endif
    std::filesystem::remove(path);
    return 0;
}
