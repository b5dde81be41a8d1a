// The engine's thumbnails of large photos against vipsthumbnail on the same files, and the peak
// memory of a 100-megapixel photo fitted into 256 by each, in a fresh process.
//
//   bench_thumbnail [repeats]
//
// Times are wall time per image, the best of `repeats` runs (the machine is shared). Ours runs
// in-process after the engine's start-up; vipsthumbnail runs once over all files (batch mode)
// and writes its native uncompressed format, so neither side pays for encoding a JPEG.
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

#include "LargePhoto.h"
#include "ThumbMetaLib/engine/EngineStartup.h"
#include "ThumbMetaLib/engine/ThumbnailDriver.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kPeakFlag = "--peak-memory-child";

double BestSeconds(int repeats, const std::function<void()>& body) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        body();
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// The large photo resampled by ImageMagick to `size` (WxH) as a 4:2:0 q90 JPEG, made once per
// machine under a private name and renamed, so that a second run never reads half a file.
fs::path MadePhoto(const std::string& source, const std::string& size, const std::string& name) {
    const fs::path made = fs::temp_directory_path() / name;
    if (fs::exists(made)) {
        return made;
    }
    const fs::path partial = made.string() + "." + std::to_string(getpid());
    if (source.empty() || !Run("convert '" + source + "' -resize '" + size +
                               "!' -sampling-factor 2x2 -quality 90 '" + partial.string() + "'")) {
        return {};
    }
    std::error_code ignored;
    fs::rename(partial, made, ignored);
    return ignored ? fs::path() : made;
}

bool StartEngine() {
    const std::string folder = fs::current_path().string();
    if (!ThumbMetaLib::Initialize(
            ThumbMetaLib::TMLInitParams::ForService(nullptr, folder, "VantoryQX3"))) {
        return false;
    }
    ThumbMetaLib::RegisterStandardFormats();
    return true;
}

bool OurThumbnail(const fs::path& file, uint32_t size) {
    ThumbMetaLib::ThumbOptions options;
    bool isVideo = false;
    return ThumbMetaLib::GetThumbnail(nullptr, file.string(), size, options, isVideo) != nullptr;
}

std::string VipsBatch(const std::vector<fs::path>& files, uint32_t size, const fs::path& out) {
    std::string command =
        "vipsthumbnail -s " + std::to_string(size) + " -o '" + (out / "%s.v").string() + "'";
    for (const fs::path& file : files) {
        command += " '" + file.string() + "'";
    }
    return command;
}

// Runs `argv` as a fresh process and returns its peak resident size in MB (-1 on failure).
double PeakMegabytes(std::vector<std::string> args) {
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage = {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kPeakFlag) == 0) {
        return StartEngine() && OurThumbnail(argv[2], 256) ? 0 : 1;
    }
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    if (!StartEngine()) {
        std::fprintf(stderr, "the engine did not start\n");
        return 1;
    }
    const std::string large = vantory_bench::LargePhotoJpeg();
    std::vector<fs::path> files;
    const fs::path cameraPhotos = vantory_bench::ExtraLargePhotoFolder();
    if (!cameraPhotos.empty()) {
        for (const auto& entry : fs::directory_iterator(cameraPhotos)) {
            files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
    }
    const fs::path photo24 = MadePhoto(large, "6000x4000", "vantory-bench-24mp-420.jpg");
    if (!photo24.empty()) {
        files.push_back(photo24);
    }
    if (files.empty()) {
        std::fprintf(stderr, "no large photo could be made (ImageMagick's convert is needed)\n");
        return 1;
    }
    const fs::path out =
        fs::temp_directory_path() / ("vantory-bench-thumbs." + std::to_string(getpid()));
    fs::create_directories(out);

    std::printf(
        "GetThumbnail vs vipsthumbnail (wall time per image, best of %d; ratio = ours / "
        "vips)\n",
        repeats);
    for (uint32_t size : {256u, 1024u}) {
        double oursTotal = 0;
        std::printf("%-44s %5s %10s\n", "image", "size", "ours ms");
        for (const fs::path& file : files) {
            bool made = true;
            const double s = BestSeconds(repeats, [&] { made = OurThumbnail(file, size) && made; });
            oursTotal += s;
            std::printf("%-44s %5u %10.1f%s\n", file.filename().string().substr(0, 44).c_str(),
                        size, s * 1e3, made ? "" : "  (no thumbnail)");
        }
        const std::string batch = VipsBatch(files, size, out);
        bool vipsOk = true;
        const double vips = BestSeconds(repeats, [&] { vipsOk = Run(batch) && vipsOk; });
        const double ours = oursTotal / double(files.size());
        const double theirs = vips / double(files.size());
        std::printf("size %4u: ours %.1f ms/image, vipsthumbnail %.1f ms/image%s, ratio %.3f\n\n",
                    size, ours * 1e3, theirs * 1e3, vipsOk ? "" : " (FAILED)", ours / theirs);
    }

    // ImageMagick's resource policy refuses 100 MP images; libvips makes this one in bands.
    const fs::path photo100 = fs::temp_directory_path() / "vantory-bench-100mp.jpg";
    if (!fs::exists(photo100) && !Run("vips thumbnail '" + large + "' '" + photo100.string() +
                                      "[Q=90]' 12240 --height 8160 --size force")) {
        fs::remove(photo100);
    }
    if (!fs::exists(photo100)) {
        std::printf("peak memory: the 100 MP photo could not be made\n");
    } else {
        const double ours = PeakMegabytes(
            {fs::read_symlink("/proc/self/exe").string(), kPeakFlag, photo100.string()});
        const double theirs = PeakMegabytes(
            {"vipsthumbnail", "-s", "256", "-o", (out / "%s.v").string(), photo100.string()});
        std::printf(
            "peak memory, 100 MP JPEG -> 256 (fresh process, ru_maxrss): ours %.1f MB, "
            "vipsthumbnail %.1f MB\n",
            ours, theirs);
    }
    std::error_code ignored;
    fs::remove_all(out, ignored);
    return 0;
}
