// Thumbnails at 256 of layered documents and TIFF files, in-process, against vipsthumbnail
// (one batch over all files) and ImageMagick's convert -thumbnail on the same files; and the
// peak memory of the 8000 x 6000 document against twice its 8-bit composite.
//
//   bench_raster [repeats]
//
// Times are wall time per image, the best of `repeats` runs (the machine is shared).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "BenchProcess.h"
#include "LargePhoto.h"
#include "ThumbMetaLib/engine/EngineStartup.h"
#include "ThumbMetaLib/engine/ThumbnailDriver.h"

namespace fs = std::filesystem;

namespace {

using vantory_bench::BestSeconds;
using vantory_bench::PeakMegabytes;
using vantory_bench::Run;

constexpr const char* kPeakFlag = "--peak-memory-child";
constexpr uint32_t kSize = 256;

// A file made once per machine by the command `make` gives for an output path, under a
// private name and renamed, so that a second run never reads half a file. Empty on failure.
fs::path Made(const std::string& name, const std::function<std::string(const std::string&)>& make) {
    const fs::path made = fs::temp_directory_path() / name;
    if (fs::exists(made)) {
        return made;
    }
    const fs::path partial = fs::temp_directory_path() / (std::to_string(getpid()) + "-" + name);
    std::error_code ignored;
    if (!Run(make(partial.string()))) {
        fs::remove(partial, ignored);
        return {};
    }
    fs::rename(partial, made, ignored);
    return ignored ? fs::path() : made;
}

bool StartEngine() {
    if (!ThumbMetaLib::Initialize(ThumbMetaLib::TMLInitParams::ForService(
            nullptr, fs::current_path().string(), "VantoryQX3"))) {
        return false;
    }
    ThumbMetaLib::RegisterStandardFormats();
    return true;
}

bool OurThumbnail(const fs::path& file) {
    ThumbMetaLib::ThumbOptions options;
    bool isVideo = false;
    return ThumbMetaLib::GetThumbnail(nullptr, file.string(), kSize, options, isVideo) != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kPeakFlag) == 0) {
        return StartEngine() && OurThumbnail(argv[2]) ? 0 : 1;
    }
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    if (!StartEngine()) {
        std::fprintf(stderr, "the engine did not start\n");
        return 1;
    }
    const std::string photo = vantory_bench::LargePhotoJpeg();
    if (photo.empty()) {
        std::fprintf(stderr, "no large photo could be made (ImageMagick's convert is needed)\n");
        return 1;
    }
    // The photo's detail at each size, so that PackBits and LZW meet real content.
    const fs::path psd = Made("vantory-bench-8000x6000-packbits.psd", [&](const std::string& out) {
        return "convert '" + photo + "' -resize '8000x6000!' -compress RLE '" + out + "'";
    });
    auto tiff = [&](const char* options) {
        return [&photo, options](const std::string& out) {
            return "vips thumbnail '" + photo + "' '" + out + options +
                   "' 6000 --height 4000 --size force";
        };
    };
    const fs::path lzw = Made("vantory-bench-24mp-lzw.tif", tiff("[compression=lzw]"));
    const fs::path raw = Made("vantory-bench-24mp-raw.tif", tiff(""));
    std::vector<fs::path> files = {fs::path(VANTORY_CORPUS_DIR) / "psd/psdt-0layers.psb"};
    for (const fs::path& file : {psd, lzw, raw}) {
        if (file.empty()) {
            std::fprintf(stderr, "a benchmark file could not be made (convert, vips)\n");
            return 1;
        }
        files.push_back(file);
    }
    const fs::path out =
        fs::temp_directory_path() / ("vantory-bench-raster." + std::to_string(getpid()));
    fs::create_directories(out);

    std::printf("thumbnails at %u: ms per image, best of %d; ratios = ours / theirs\n", kSize,
                repeats);
    std::printf("%-40s %9s %9s %9s %8s %8s\n", "file", "ours", "vips", "convert", "/vips",
                "/convert");
    for (const fs::path& file : files) {
        bool made = true;
        const double ours = BestSeconds(repeats, [&] { made = OurThumbnail(file) && made; });
        std::string quoted = file.string();
        quoted.insert(quoted.begin(), '\'');
        quoted.push_back('\'');
        const double vips = BestSeconds(repeats, [&] {
            Run("vipsthumbnail -s " + std::to_string(kSize) + " -o '" + (out / "%s.v").string() +
                "' " + quoted);
        });
        const double magick = BestSeconds(repeats, [&] {
            Run("convert " + quoted + "[0] -thumbnail 256x256 '" + (out / "t.jpg").string() + "'");
        });
        std::printf("%-40s %9.1f %9.1f %9.1f %8.3f %8.3f%s\n",
                    file.filename().string().substr(0, 40).c_str(), ours * 1e3, vips * 1e3,
                    magick * 1e3, ours / vips, ours / magick, made ? "" : "  (no thumbnail)");
    }
    const double composite = 8000.0 * 6000 * 3 / (1024 * 1024);
    const double peak =
        PeakMegabytes({fs::read_symlink("/proc/self/exe").string(), kPeakFlag, psd.string()});
    std::printf(
        "peak memory, 8000x6000 PackBits document -> %u (fresh process, ru_maxrss): "
        "%.1f MB; 2x its 8-bit composite %.1f MB; ratio %.2f\n",
        kSize, peak, 2 * composite, peak / (2 * composite));
    std::error_code ignored;
    fs::remove_all(out, ignored);
    return 0;
}
