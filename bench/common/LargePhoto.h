// The large photo the benchmarks start from, so that a checkout without the extra collection
// still measures camera-sized images.
#pragma once

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vantory_bench {

// The extra collection's folder of large camera photos, or empty when it is not configured or
// absent.
inline std::filesystem::path ExtraLargePhotoFolder() {
    const std::filesystem::path extra = VANTORY_EXTRA_CORPUS_DIR;
    if (extra.empty() || !std::filesystem::is_directory(extra / "jpeg/large")) {
        return {};
    }
    return extra / "jpeg/large";
}

// The 22-megapixel 4:4:4 camera photo of the extra collection when it is there; otherwise a
// stand-in of the same size made once per machine by ImageMagick: the painting photo of the
// test files enlarged to 5760 x 3840 with fine sensor-like noise, so that the coders meet a
// photo's detail rather than the smooth surface an enlargement alone leaves. Empty on failure.
inline std::string LargePhotoJpeg() {
    namespace fs = std::filesystem;
    const fs::path folder = ExtraLargePhotoFolder();
    if (!folder.empty() && fs::exists(folder / "mei-Issue_266-22MP.jpg")) {
        return (folder / "mei-Issue_266-22MP.jpg").string();
    }
    const fs::path made = fs::temp_directory_path() / "vantory-bench-22mp-photo.jpg";
    if (fs::exists(made)) {
        return made.string();
    }
    // Written under a private name and renamed, so that a benchmark running beside this one
    // never reads half a file.
    const fs::path partial = made.string() + "." + std::to_string(getpid());
    const std::string command = "convert '" + std::string(VANTORY_CORPUS_DIR) +
                                "/jpeg/wuffs-harvesters.jpeg' -resize '5760x3840!' "
                                "-attenuate 0.4 +noise Gaussian -sampling-factor 1x1 "
                                "-quality 92 '" +
                                partial.string() + "' >/dev/null 2>&1";
    std::error_code ignored;
    if (std::system(command.c_str()) != 0) {
        fs::remove(partial, ignored);
        return {};
    }
    fs::rename(partial, made, ignored);
    return ignored ? std::string() : made.string();
}

}  // namespace vantory_bench
