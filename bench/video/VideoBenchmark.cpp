// createThumbnail at 256 of videos through a connected client (a private instance of the real
// service, which reads the frame on its main thread) against `ffmpegthumbnailer -s 256` run
// as a process per file, as a file manager runs it. The videos of the test data, any of the
// extra collection, and a 1080p H.264 clip of 60 seconds made once per machine with ffmpeg.
// Prints figures and ratios (goal: the service at most half of ffmpegthumbnailer's time).
//
// The service reads .mov and .avi files itself; other video types go to the desktop's
// thumbnailers first (here ffmpegthumbnailer again, inside the sandbox), so the route column
// says which of the two a figure measures and the goal applies to the own route. The clip is
// H.264 in a QuickTime container for that reason.
//
// usage: bench_video [runs per figure, default 5]
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/common/ThumbnailParams.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVMutableList.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

namespace fs = std::filesystem;
namespace data = kvfoundation::data;
using Clock = std::chrono::steady_clock;

double Median(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// The 1080p clip, made once per machine (kept in the temporary folder).
std::string LongClip() {
    const fs::path made = fs::temp_directory_path() / "vantory-bench-1080p-60s.mov";
    if (!fs::exists(made)) {
        const std::string partial = made.string() + ".part.mov";
        std::fprintf(stderr, "bench_video: making %s (a minute or two)\n", made.c_str());
        if (!Run("ffmpeg -nostdin -y -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=60 "
                 "-c:v libx264 -preset veryfast -pix_fmt yuv420p '" +
                 partial + "'")) {
            return {};
        }
        fs::rename(partial, made);
    }
    return made.string();
}

// Which way the service takes for `video` (the engine's routing of files no handler claims).
bool OwnVideoRoute(const std::string& video) {
    std::string extension = fs::path(video).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".mov" || extension == ".avi";
}

void AddVideos(const fs::path& folder, std::vector<std::string>& videos) {
    if (!fs::is_directory(folder)) {
        return;
    }
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        found.push_back(entry.path().string());
    }
    std::sort(found.begin(), found.end());
    videos.insert(videos.end(), found.begin(), found.end());
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    kvfoundation::base::AutoReleasePool pool;
    std::vector<std::string> videos;
    AddVideos(fs::path(VANTORY_CORPUS_DIR) / "video", videos);
    if (std::string(VANTORY_EXTRA_CORPUS_DIR) != "") {
        AddVideos(fs::path(VANTORY_EXTRA_CORPUS_DIR) / "video", videos);
    }
    const std::string clip = LongClip();
    if (clip.empty() || videos.empty() || !Run("command -v ffmpegthumbnailer")) {
        std::fprintf(stderr, "bench_video: needs ffmpeg, ffmpegthumbnailer and the videos\n");
        return 1;
    }
    videos.push_back(clip);

    svctest::RunningService service(true, 1);
    vantory::client::ServiceConnection& connection = service.Connection(0);
    const std::string out = (fs::temp_directory_path() / "vantory-bench-video.jpg").string();

    std::printf("createThumbnail of a video at 256 (median of %d), seconds per file\n", runs);
    std::printf("%-36s %-8s %9s %9s %7s\n", "video", "route", "service", "ffmpegth.", "ratio");
    double ours = 0, theirs = 0, oursOwn = 0, theirsOwn = 0;
    for (const std::string& video : videos) {
        bool failed = false;
        const double service256 = Median(runs, [&] {
            kvfoundation::base::AutoReleasePool each;
            failed |= !connection.Call("createThumbnail", vantory_bench::ThumbnailParams(video))
                           .succeeded;
        });
        const double peer = Median(runs, [&] {
            Run("ffmpegthumbnailer -i '" + video + "' -o '" + out + "' -s 256 -q 8");
        });
        const bool own = OwnVideoRoute(video);
        ours += service256;
        theirs += peer;
        if (own) {
            oursOwn += service256;
            theirsOwn += peer;
        }
        std::printf("%-36s %-8s %9.4f %9.4f %7.2f%s\n", fs::path(video).filename().c_str(),
                    own ? "video" : "desktop", service256, peer, service256 / peer,
                    failed ? "  (no thumbnail)" : "");
    }
    if (theirsOwn > 0) {
        std::printf("%-36s %-8s %9.4f %9.4f %7.2f\n", "all read by the service", "video", oursOwn,
                    theirsOwn, oursOwn / theirsOwn);
    }
    std::printf("%-36s %-8s %9.4f %9.4f %7.2f\n", "all", "", ours, theirs, ours / theirs);
    return 0;
}
