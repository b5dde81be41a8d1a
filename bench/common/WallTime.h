#pragma once

// Wall-clock timing of whole operations (a process, a request through the engine), for the
// benchmarks whose work is too coarse for Google Benchmark's iteration loop.
#include <time.h>

#include <algorithm>
#include <functional>

namespace vantorybench {

// The seconds `body` took, or -1 when it reported failure.
inline double WallSeconds(const std::function<bool()>& body) {
    timespec start{};
    timespec end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    if (!body()) {
        return -1;
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    return double(end.tv_sec - start.tv_sec) + double(end.tv_nsec - start.tv_nsec) * 1e-9;
}

// The fastest of `runs` runs, or -1 when one failed.
inline double BestWallSeconds(int runs, const std::function<bool()>& body) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const double seconds = WallSeconds(body);
        if (seconds < 0) {
            return -1;
        }
        best = std::min(best, seconds);
    }
    return best;
}

}  // namespace vantorybench
