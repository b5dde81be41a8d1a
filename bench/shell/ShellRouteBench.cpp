// The desktop route's cost over the thumbnailer itself: a PNG and an SVG thumbnailed at 256
// by gdk-pixbuf-thumbnailer (1) through ShellThumbnail with the bubblewrap sandbox, (2)
// through ShellThumbnail without it, and (3) run directly as a plain process (the peer), in
// interleaved rounds. The summary prints the median milliseconds each route adds per file, in
// wall-clock and in processor time.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

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

// Wall and processor milliseconds of each route, one entry per round. The processor time
// (ours and that of every child we reaped) hardly depends on what else the machine runs.
struct Samples {
    std::vector<double> wall;
    std::vector<double> cpu;
};

struct RouteTimes {
    Samples direct;
    Samples plain;
    Samples sandboxed;
};

std::map<std::string, RouteTimes> g_times;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// The median over rounds of what `route` took more than the direct run of the same round:
// pairing the runs cancels most of the drift of a shared machine.
double MedianOverhead(const std::vector<double>& route, const std::vector<double>& direct) {
    std::vector<double> differences;
    for (size_t i = 0; i < route.size() && i < direct.size(); ++i) {
        differences.push_back(route[i] - direct[i]);
    }
    return Median(differences);
}

double ProcessorMillis() {
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        for (const timeval& t : {usage.ru_utime, usage.ru_stime}) {
            total += double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
        }
    }
    return total;
}

template <typename Work>
bool Timed(Samples& into, Work&& work) {
    const double cpuBefore = ProcessorMillis();
    const auto start = std::chrono::steady_clock::now();
    const bool ok = work();
    into.wall.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
    into.cpu.push_back(ProcessorMillis() - cpuBefore);
    return ok;
}

// Each round runs the thumbnailer directly, through the route without the sandbox and through
// the route with it, in a rotating order so that none of them always comes first.
void Rounds(benchmark::State& state, bool png) {
    if (WorkingSandbox("").empty()) {
        state.SkipWithError("bwrap cannot make namespaces here");
        return;
    }
    ShellSettings sandboxed;
    sandboxed.thumbnailerFolders = {"/usr/share/thumbnailers"};
    ShellSettings plain = sandboxed;
    plain.bwrap = "/nonexistent/bwrap";
    const std::string& file = png ? MadeInputs().png : MadeInputs().svg;
    const std::string out = MadeInputs().folder + "/direct.png";
    const std::vector<std::string> command{kThumbnailer, "-s", "256", FileUri(file), out};
    RouteTimes& times = g_times[png ? "png" : "svg"];
    size_t round = 0;
    for (auto _ : state) {
        for (size_t step = 0; step < 3; ++step) {
            bool ok = true;
            switch ((round + step) % 3) {
                case 0:
                    ok = Timed(times.direct, [&] {
                        return RunChild(command, PlainEnvironment(MadeInputs().folder),
                                        ChildLimits{})
                            .Succeeded();
                    });
                    break;
                case 1:
                    ok = Timed(times.plain,
                               [&] { return ShellThumbnail(file, 256, plain) != nullptr; });
                    break;
                default:
                    ok = Timed(times.sandboxed,
                               [&] { return ShellThumbnail(file, 256, sandboxed) != nullptr; });
                    break;
            }
            if (!ok) {
                state.SkipWithError("no thumbnail");
                return;
            }
        }
        ++round;
    }
    state.counters["direct_ms"] = Median(times.direct.wall);
    state.counters["sandbox_plus_ms"] = MedianOverhead(times.sandboxed.wall, times.direct.wall);
    state.counters["sandbox_plus_cpu_ms"] = MedianOverhead(times.sandboxed.cpu, times.direct.cpu);
}

void BM_PngRounds(benchmark::State& state) {
    Rounds(state, true);
}
void BM_SvgRounds(benchmark::State& state) {
    Rounds(state, false);
}

BENCHMARK(BM_PngRounds)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_SvgRounds)->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    for (const auto& [kind, times] : g_times) {
        const double direct = Median(times.direct.wall);
        const double sandbox = MedianOverhead(times.sandboxed.wall, times.direct.wall);
        std::printf(
            "%s: direct %.1f ms (median of %zu rounds); the route adds %+.1f ms without the "
            "sandbox, %+.1f ms with it (%.2fx of direct; goal: sandbox overhead <= 20 ms); "
            "processor time: direct %.1f ms, route %+.1f ms, with sandbox %+.1f ms\n",
            kind.c_str(), direct, times.direct.wall.size(),
            MedianOverhead(times.plain.wall, times.direct.wall), sandbox,
            (direct + sandbox) / direct, Median(times.direct.cpu),
            MedianOverhead(times.plain.cpu, times.direct.cpu),
            MedianOverhead(times.sandboxed.cpu, times.direct.cpu));
    }
    fs::remove_all(MadeInputs().folder);
    return 0;
}
