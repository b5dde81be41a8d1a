// Resize kernels: the vector level this processor selects against the portable level, measured
// in the same run on the same buffers (processor time of this thread, best of alternating short
// rounds, so that a busy machine disturbs both levels alike). Prints source megapixels per second
// and the ratio. Strong nearest reductions (code 1) also print a floor: the time of only reading
// one byte of every sampled source pixel, which a kernel can hardly beat, and the ratio over
// portable that it reaches.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

#include "resize/ProcessorLevel.h"
#include "resize/ResizeKernels.h"

namespace {

struct Case {
    const char* layout;
    int32_t bytesPerPixel;
    int32_t planes;
    int32_t srcWidth, srcHeight, dstWidth, dstHeight;
    int32_t code;
};

int32_t Run(const Case& c, const std::vector<std::vector<uint8_t>>& src,
            std::vector<std::vector<uint8_t>>& dst) {
    const double fx = static_cast<double>(c.dstWidth) / c.srcWidth;
    const double fy = static_cast<double>(c.dstHeight) / c.srcHeight;
    const int32_t ss = c.srcWidth * c.bytesPerPixel;
    const int32_t ds = c.dstWidth * c.bytesPerPixel;
    const uint8_t* s[4] = {};
    uint8_t* d[4] = {};
    for (int32_t p = 0; p < c.planes; ++p) {
        s[p] = src[p].data();
        d[p] = dst[p].data();
    }
    if (c.planes == 3) {
        return resize::ResizePlanar3(s, c.srcWidth, c.srcHeight, ss, 0, 0, c.srcWidth, c.srcHeight,
                                     d, ds, c.dstWidth, c.dstHeight, fx, fy, c.code);
    }
    if (c.bytesPerPixel == 3) {
        return resize::ResizeInterleaved3(s[0], c.srcWidth, c.srcHeight, ss, 0, 0, c.srcWidth,
                                          c.srcHeight, d[0], ds, c.dstWidth, c.dstHeight, fx, fy,
                                          c.code);
    }
    if (c.bytesPerPixel == 4) {
        return resize::ResizeInterleaved4(s[0], c.srcWidth, c.srcHeight, ss, 0, 0, c.srcWidth,
                                          c.srcHeight, d[0], ds, c.dstWidth, c.dstHeight, fx, fy,
                                          c.code);
    }
    return resize::ResizeOneChannel(s[0], c.srcWidth, c.srcHeight, ss, 0, 0, c.srcWidth,
                                    c.srcHeight, d[0], ds, c.dstWidth, c.dstHeight, fx, fy, c.code);
}

// This thread's processor time: other processes on a shared machine do not inflate it.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Processor seconds per call of `work` over one round of at least 0.02 s.
template <typename Work>
double RoundSeconds(Work&& work) {
    int reps = 0;
    const double start = ThreadSeconds();
    double elapsed = 0.0;
    do {
        work();
        ++reps;
        elapsed = ThreadSeconds() - start;
    } while (elapsed < 0.02);
    return elapsed / reps;
}

// Source sample of each output on one axis, the nearest kernels' rule.
std::vector<size_t> NearestSamples(int32_t srcLength, int32_t dstLength) {
    std::vector<size_t> samples(static_cast<size_t>(dstLength));
    for (int32_t i = 0; i < dstLength; ++i) {
        const auto at = static_cast<int64_t>((i + 0.5) * srcLength / dstLength);
        samples[static_cast<size_t>(i)] = static_cast<size_t>(std::min<int64_t>(at, srcLength - 1));
    }
    return samples;
}

// Reads one byte of every sampled source pixel, four rows side by side like the vector kernels,
// and returns their sum. When the samples lie in different cache lines (strong reductions) this
// is what any kernel must at least wait for.
uint32_t TouchSamples(const Case& c, const std::vector<std::vector<uint8_t>>& src,
                      const std::vector<size_t>& columnBytes, const std::vector<size_t>& rows) {
    uint32_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    const size_t rowStep = static_cast<size_t>(c.srcWidth) * static_cast<size_t>(c.bytesPerPixel);
    for (const auto& plane : src) {
        for (size_t y = 0; y + 4 <= rows.size(); y += 4) {
            const uint8_t* r0 = plane.data() + rows[y] * rowStep;
            const uint8_t* r1 = plane.data() + rows[y + 1] * rowStep;
            const uint8_t* r2 = plane.data() + rows[y + 2] * rowStep;
            const uint8_t* r3 = plane.data() + rows[y + 3] * rowStep;
            for (size_t at : columnBytes) {
                s0 += r0[at];
                s1 += r1[at];
                s2 += r2[at];
                s3 += r3[at];
            }
        }
    }
    return s0 + s1 + s2 + s3;
}

}  // namespace

int main() {
    const Case cases[] = {
        // The service's final fit (code 1) of a thumbnail that is slightly too big, and of a
        // large image; then the filtered codes on the same reductions.
        {"interleaved 3", 3, 1, 300, 225, 256, 192, 1},
        {"interleaved 4", 4, 1, 300, 225, 256, 192, 1},
        {"planar 3", 1, 3, 300, 225, 256, 192, 1},
        {"one channel", 1, 1, 300, 225, 256, 192, 1},
        {"interleaved 3", 3, 1, 1024, 768, 256, 192, 1},
        {"interleaved 4", 4, 1, 1024, 768, 256, 192, 1},
        {"planar 3", 1, 3, 1024, 768, 256, 192, 1},
        {"interleaved 3", 3, 1, 256, 192, 300, 225, 1},
        {"interleaved 4", 4, 1, 256, 192, 300, 225, 1},
        {"interleaved 3", 3, 1, 6000, 4000, 256, 171, 1},
        {"one channel", 1, 1, 6000, 4000, 256, 171, 1},
        {"interleaved 3", 3, 1, 1024, 768, 256, 192, 2},
        {"interleaved 4", 4, 1, 1024, 768, 256, 192, 2},
        {"planar 3", 1, 3, 1024, 768, 256, 192, 2},
        {"interleaved 3", 3, 1, 1024, 768, 256, 192, 4},
        {"interleaved 4", 4, 1, 1024, 768, 256, 192, 4},
        {"planar 3", 1, 3, 1024, 768, 256, 192, 4},
        {"one channel", 1, 1, 1024, 768, 256, 192, 4},
        {"interleaved 3", 3, 1, 6000, 4000, 256, 171, 4},
        {"interleaved 3", 3, 1, 256, 192, 300, 225, 4},
        {"planar 3", 1, 3, 1024, 768, 256, 192, 8},
    };
    const resize::ProcessorLevel best = resize::DetectLevel();
    std::printf("vector level: %s\n", resize::LevelName(best));
    std::printf("%-14s %-22s %4s %12s %12s %7s   %s\n", "layout", "size", "code", "portable MP/s",
                "vector MP/s", "ratio", "floor: read samples only, portable / floor");
    std::mt19937 random(1);
    for (const Case& c : cases) {
        std::vector<std::vector<uint8_t>> src(static_cast<size_t>(c.planes));
        std::vector<std::vector<uint8_t>> dst(static_cast<size_t>(c.planes));
        for (int32_t p = 0; p < c.planes; ++p) {
            src[p].resize(static_cast<size_t>(c.srcWidth) * c.srcHeight * c.bytesPerPixel);
            for (auto& b : src[p]) {
                b = static_cast<uint8_t>(random());
            }
            dst[p].resize(static_cast<size_t>(c.dstWidth) * c.dstHeight * c.bytesPerPixel);
        }
        auto resize = [&] {
            if (Run(c, src, dst) != 0) {
                std::fprintf(stderr, "resize failed\n");
                std::exit(1);
            }
        };
        std::vector<size_t> columns = NearestSamples(c.srcWidth, c.dstWidth);
        for (size_t& column : columns) {
            column *= static_cast<size_t>(c.bytesPerPixel);
        }
        const std::vector<size_t> rows = NearestSamples(c.srcHeight, c.dstHeight);
        uint32_t touched = 0;
        auto touch = [&] { touched += TouchSamples(c, src, columns, rows); };
        // The floor means something where samples lie at least 16 bytes apart (at most four per
        // cache line), so that fetching them is most of the work.
        const bool sparse = c.code == resize::kInterpolateNearest &&
                            c.srcWidth * c.bytesPerPixel >= 16 * c.dstWidth;
        // Alternating rounds, best of each, in source megapixels per second.
        double portableSeconds = 1e30;
        double vectorSeconds = 1e30;
        double floorSeconds = 1e30;
        for (int round = 0; round < 15; ++round) {
            resize::ForceLevel(resize::ProcessorLevel::kGeneric);
            portableSeconds = std::min(portableSeconds, RoundSeconds(resize));
            resize::ForceLevel(best);
            vectorSeconds = std::min(vectorSeconds, RoundSeconds(resize));
            if (sparse && round % 3 == 0) {
                floorSeconds = std::min(floorSeconds, RoundSeconds(touch));
            }
        }
        const double megapixels = static_cast<double>(c.srcWidth) * c.srcHeight / 1e6;
        const double portable = megapixels / portableSeconds;
        const double vector = megapixels / vectorSeconds;
        char size[40];
        std::snprintf(size, sizeof size, "%dx%d->%dx%d", c.srcWidth, c.srcHeight, c.dstWidth,
                      c.dstHeight);
        std::printf("%-14s %-22s %4d %12.1f %12.1f %6.2fx", c.layout, size, c.code, portable,
                    vector, vector / portable);
        if (sparse) {
            std::printf("   floor %10.1f MP/s, %5.2fx%s", megapixels / floorSeconds,
                        portableSeconds / floorSeconds, touched == 1 ? " " : "");
        }
        std::printf("\n");
    }
    return 0;
}
