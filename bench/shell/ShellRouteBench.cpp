// The desktop route's cost over the thumbnailer itself: a PNG and an SVG thumbnailed at 256
// by gdk-pixbuf-thumbnailer (1) through ShellThumbnail with the bubblewrap sandbox, (2)
// through ShellThumbnail without it, and (3) run directly as a plain process (the peer). The
// summary prints the milliseconds each route adds per file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "ThumbMetaLib/shell/ChildProcess.h"
#include "ThumbMetaLib/shell/ExecLine.h"
#include "ThumbMetaLib/shell/SandboxCommand.h"
#include "ThumbMetaLib/shell/ShellThumbnail.h"

namespace {

namespace fs = std::filesystem;
using namespace ThumbMetaLib::shell;

constexpr const char* kThumbnailer = "/usr/bin/gdk-pixbuf-thumbnailer";

struct Inputs {
    std::string folder;
    std::string png;
    std::string svg;
};

const Inputs& MadeInputs() {
    static const Inputs inputs =
        [] {
            Inputs made;
            made.folder = (fs::temp_directory_path() / "vantory-bench-shell").string();
            fs::create_directories(made.folder);
            made.png = made.folder + "/photo.png";
            if (std::system(("convert -size 1600x1200 plasma:fractal " + made.png).c_str()) != 0) {
                std::fprintf(stderr, "cannot make %s with ImageMagick\n", made.png.c_str());
                std::exit(1);
            }
            made.svg = made.folder + "/drawing.svg";
            std::ofstream(made.svg)
                << "<svg xmlns='http://www.w3.org/2000/svg' width='800' height='600'>"
                   "<rect width='800' height='600' fill='#28a'/><circle cx='400' cy='300' r='250' "
                   "fill='#fc3'/><text x='200' y='320' font-size='60'>Vantory</text></svg>";
            return made;
        }();
    return inputs;
}

std::map<std::string, double> g_millisPerFile;

void Record(benchmark::State& state, const std::string& name,
            std::chrono::steady_clock::duration total) {
    const double millis =
        std::chrono::duration<double, std::milli>(total).count() / double(state.iterations());
    g_millisPerFile[name] = millis;
    state.counters["ms_per_file"] = millis;
}

void Route(benchmark::State& state, bool png, bool sandboxed) {
    ShellSettings settings;
    settings.thumbnailerFolders = {"/usr/share/thumbnailers"};
    if (!sandboxed) {
        settings.bwrap = "/nonexistent/bwrap";
    } else if (WorkingSandbox("").empty()) {
        state.SkipWithError("bwrap cannot make namespaces here");
        return;
    }
    const std::string& file = png ? MadeInputs().png : MadeInputs().svg;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (!ShellThumbnail(file, 256, settings)) {
            state.SkipWithError("no thumbnail");
            return;
        }
    }
    Record(state, std::string(png ? "png" : "svg") + (sandboxed ? " sandboxed" : " plain"),
           std::chrono::steady_clock::now() - start);
}

void Direct(benchmark::State& state, bool png) {
    const std::string& file = png ? MadeInputs().png : MadeInputs().svg;
    const std::string out = MadeInputs().folder + "/direct.png";
    const std::vector<std::string> command{kThumbnailer, "-s", "256", FileUri(file), out};
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (!RunChild(command, PlainEnvironment(MadeInputs().folder), ChildLimits{}).Succeeded()) {
            state.SkipWithError("the thumbnailer failed");
            return;
        }
    }
    Record(state, std::string(png ? "png" : "svg") + " direct",
           std::chrono::steady_clock::now() - start);
}

void BM_PngSandboxed(benchmark::State& state) {
    Route(state, true, true);
}
void BM_PngPlain(benchmark::State& state) {
    Route(state, true, false);
}
void BM_PngDirect(benchmark::State& state) {
    Direct(state, true);
}
void BM_SvgSandboxed(benchmark::State& state) {
    Route(state, false, true);
}
void BM_SvgPlain(benchmark::State& state) {
    Route(state, false, false);
}
void BM_SvgDirect(benchmark::State& state) {
    Direct(state, false);
}

BENCHMARK(BM_PngDirect)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PngPlain)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PngSandboxed)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SvgDirect)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SvgPlain)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SvgSandboxed)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    for (const char* kind : {"png", "svg"}) {
        const std::string k = kind;
        if (!g_millisPerFile.count(k + " direct") || !g_millisPerFile.count(k + " sandboxed")) {
            continue;
        }
        const double direct = g_millisPerFile[k + " direct"];
        std::printf(
            "%s: direct %.1f ms, route without sandbox +%.1f ms, with sandbox +%.1f ms "
            "per file (%.2fx of direct; goal: sandbox overhead <= 20 ms)\n",
            kind, direct, g_millisPerFile[k + " plain"] - direct,
            g_millisPerFile[k + " sandboxed"] - direct, g_millisPerFile[k + " sandboxed"] / direct);
    }
    fs::remove_all(MadeInputs().folder);
    return 0;
}
