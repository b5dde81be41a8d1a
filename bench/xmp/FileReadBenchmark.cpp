// Reading the XMP of a 20 MB JPEG and a 20 MB TIFF: open, find the packet, copy it out. The
// cost must follow the metadata, not the image data. The files are made at start-up (noise
// from ImageMagick, a packet from exiftool); the peer for scale is `exiftool -xmp -b` as a
// whole process. Each figure is printed with its ratio.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "TXMPFiles.h"

namespace {

struct Sample {
    const char* name;
    const char* makeImage;  // ImageMagick arguments after the output size
    xmp::XMP_FileFormat format;
};

// Noise does not compress: grey 5600x4000 at quality 97 and RGB 3000x2300 uncompressed are
// both about 20 MB.
const Sample kSamples[] = {
    {"jpeg", "-size 5600x4000 xc:gray +noise Random -quality 97", xmp::kXMP_JPEGFile},
    {"tiff", "-size 3000x2300 xc:gray +noise Random -type TrueColor -depth 8 -compress none",
     xmp::kXMP_TIFFFile},
};

std::string SamplePath(const Sample& sample) {
    static const std::string folder = [] {
        std::string dir = "/tmp/bench-xmpfiles-" + std::to_string(getpid());
        std::filesystem::create_directories(dir);
        return dir;
    }();
    const std::string path = folder + "/large." + sample.name;
    if (!std::filesystem::exists(path)) {
        const std::string make = "convert " + std::string(sample.makeImage) + " '" + path +
                                 "' && exiftool -q -overwrite_original '-XMP-dc:Title=Large' "
                                 "'-XMP-dc:Subject=noise' '" +
                                 path + "'";
        if (std::system(make.c_str()) != 0)
            return {};
    }
    return path;
}

void BM_ReadXMP(benchmark::State& state) {
    const Sample& sample = kSamples[state.range(0)];
    const std::string path = SamplePath(sample);
    if (path.empty()) {
        state.SkipWithError("could not make the sample (ImageMagick and exiftool installed?)");
        return;
    }
    for (auto _ : state) {
        xmp::TXMPFiles file;
        std::string packet;
        if (!file.OpenFile(path, sample.format) || !file.GetXMP(&packet)) {
            state.SkipWithError("no packet found");
            break;
        }
        benchmark::DoNotOptimize(packet.data());
    }
    state.SetLabel(sample.name);
    state.counters["MB"] = double(std::filesystem::file_size(path)) / 1e6;
}
BENCHMARK(BM_ReadXMP)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ExiftoolRead(benchmark::State& state) {
    const std::string path = SamplePath(kSamples[state.range(0)]);
    const std::string command = "exiftool -xmp -b '" + path + "' > /dev/null 2>&1";
    for (auto _ : state) {
        if (path.empty() || std::system(command.c_str()) != 0) {
            state.SkipWithError("exiftool failed (is libimage-exiftool-perl installed?)");
            break;
        }
    }
    state.SetLabel(kSamples[state.range(0)].name);
}
BENCHMARK(BM_ExiftoolRead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(4);

// Prints per file kind our time, exiftool's, and exiftool's over ours.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto& table = run.benchmark_name().rfind("BM_Exiftool", 0) == 0 ? exiftool_ : ours_;
            table[run.report_label] = run.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-12s %14s %18s %10s\n", "20 MB file", "ours: read", "exiftool -xmp -b",
                    "ratio");
        for (const auto& [kind, ms] : ours_) {
            const double peer = exiftool_.count(kind) ? exiftool_[kind] : 0.0;
            std::printf("%-12s %11.3f ms %15.1f ms %9.0fx\n", kind.c_str(), ms, peer,
                        ms > 0 ? peer / ms : 0.0);
        }
    }

private:
    std::map<std::string, double> ours_, exiftool_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all("/tmp/bench-xmpfiles-" + std::to_string(getpid()));
    return 0;
}
