// The largest OBJ and COLLADA models of the sample folders to a 256 thumbnail through the
// engine (FB3DFormat, the render server at 512, the engine's fit): the first request, which
// starts the server, and warm requests after it. The peer is f3d drawing the same model at
// 512 x 512 to a PNG as a whole process, the way a thumbnailer would run it, on a virtual
// display started once for the run.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ThumbMetaLib/engine/ThumbnailDriver.h"
#include "ThumbMetaLib/formats/model3d/FB3DFormat.h"
#include "ThumbMetaLib/formats/model3d/Render3DLoom.h"
#include "ThumbMetaLib/formats/model3d/Render3DServerPath.h"
#include "WallTime.h"

namespace {

namespace fs = std::filesystem;
using ThumbMetaLib::FB3DFormat;
using ThumbMetaLib::Render3DLoom;

constexpr uint32_t kEdge = 256;

// The largest file with `extension` in the model folders of the sample collections.
std::string Largest(const std::string& extension) {
    std::string best;
    uintmax_t bestSize = 0;
    for (const std::string& root :
         {std::string(VANTORY_CORPUS_DIR), std::string(VANTORY_EXTRA_CORPUS_DIR)}) {
        std::error_code error;
        if (root.empty()) {
            continue;
        }
        for (const auto& entry : fs::recursive_directory_iterator(root + "/model", error)) {
            if (entry.is_regular_file() && entry.path().extension() == extension &&
                entry.file_size() > bestSize) {
                best = entry.path().string();
                bestSize = entry.file_size();
            }
        }
    }
    return best;
}

bool EngineThumbnail(const std::string& model) {
    ThumbMetaLib::ThumbOptions options;
    bool isVideo = false;
    return ThumbMetaLib::GetThumbnail(FB3DFormat::Instance(), model, kEdge, options, isVideo) !=
           nullptr;
}

// A virtual display for f3d, which needs an X server even to draw off screen.
class VirtualDisplay {
public:
    VirtualDisplay() {
        if (!fs::exists("/usr/bin/Xvfb") || !fs::exists("/usr/bin/f3d")) {
            return;
        }
        display_ = std::string(":").append(std::to_string(200 + getpid() % 500));
        pid_ = fork();
        if (pid_ == 0) {
            std::freopen("/dev/null", "w", stderr);
            execl("/usr/bin/Xvfb", "Xvfb", display_.c_str(), "-nolisten", "tcp", "-screen", "0",
                  "1024x768x24", static_cast<char*>(nullptr));
            _exit(127);
        }
        usleep(1500 * 1000);  // Xvfb takes about a second to accept clients
    }
    ~VirtualDisplay() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool Ok() const { return pid_ > 0; }
    const std::string& Name() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

void Measure(const std::string& kind, const std::string& model, int runs,
             const VirtualDisplay& display) {
    if (model.empty()) {
        std::printf("%s: no model found\n", kind.c_str());
        return;
    }
    std::printf("\n%s %s (%ju bytes)\n", kind.c_str(), fs::path(model).filename().c_str(),
                fs::file_size(model));
    Render3DLoom::Process().Terminate();
    const double first = vantorybench::WallSeconds([&] { return EngineThumbnail(model); });
    const double warm = vantorybench::BestWallSeconds(runs, [&] { return EngineThumbnail(model); });
    std::printf("%-44s %8.1f ms\n", "engine, first request (starts the server)", first * 1e3);
    std::printf("%-44s %8.1f ms\n", "engine, warm", warm * 1e3);
    if (!display.Ok()) {
        std::printf("f3d or Xvfb not installed: no peer\n");
        return;
    }
    const std::string output = (fs::temp_directory_path() / "vantory-bench-f3d.png").string();
    const std::string command = "DISPLAY=" + display.Name() + " f3d --output '" + output +
                                "' --resolution 512,512 '" + model + "' > /dev/null 2>&1";
    const double peer =
        vantorybench::BestWallSeconds(runs, [&] { return std::system(command.c_str()) == 0; });
    fs::remove(output);
    if (peer <= 0) {
        std::printf("f3d failed\n");
        return;
    }
    std::printf("%-44s %8.1f ms\n", "f3d --output --resolution 512,512 (process)", peer * 1e3);
    std::printf("ratios against f3d: first x%.2f, warm x%.2f (goal: warm <= 0.5)\n", first / peer,
                warm / peer);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    setenv(ThumbMetaLib::kRender3DServerVariable, VANTORY_RENDER3D_BENCH_SERVER, 1);
    std::printf("3D model -> %u thumbnail, wall time, best of %d warm runs\n", kEdge, runs);
    const VirtualDisplay display;
    Measure("OBJ", Largest(".obj"), runs, display);
    Measure("COLLADA", Largest(".dae"), runs, display);
    Render3DLoom::Process().Terminate();
    return 0;
}
