// What the benchmarks that time the service against other programs share: wall-clock medians,
// running a peer's command line, and inputs made once per machine with ImageMagick.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vantory_bench {

inline double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        times.push_back(Seconds(work));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Runs a command line quietly; true when it exits with 0.
inline bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// A photo made once per machine with ImageMagick's `convert <recipe>` (cached in the temporary
// folder); empty when it cannot be made.
inline std::string MadePhoto(const std::string& name, const std::string& recipe) {
    namespace fs = std::filesystem;
    const fs::path made = fs::temp_directory_path() / name;
    if (!fs::exists(made)) {
        const std::string partial = made.string() + ".part.jpg";
        if (!Run("convert " + recipe + " '" + partial + "'")) {
            return {};
        }
        fs::rename(partial, made);
    }
    return made.string();
}

// The 24-megapixel (6000 x 4000) photo: the painting photo of the test files enlarged, with
// sensor-like noise.
inline std::string Photo24MP() {
    return MadePhoto("vantory-bench-24mp-photo.jpg",
                     "'" + std::string(VANTORY_CORPUS_DIR) +
                         "/jpeg/wuffs-harvesters.jpeg' -resize '6000x4000!' -attenuate 0.4 "
                         "+noise Gaussian -quality 90");
}

}  // namespace vantory_bench
