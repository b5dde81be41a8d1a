// Parse + iterate every leaf + serialise, on a 10 KB and a 200 KB packet (structs, arrays,
// lang-alt, a Base64 thumbnail). The peer for scale is `exiftool -xmp -b` on the same packet
// as a whole process, the way a script would read it; each figure is printed with its ratio.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "TXMPIterator.h"
#include "TXMPMeta.h"
#include "TXMPUtils.h"

namespace {

// A packet of about `bytes` bytes: a thumbnail, then history events and keywords until full.
std::string MakePacket(size_t bytes) {
    xmp::TXMPMeta meta;
    meta.SetLocalizedText(xmp::ns::kDC, "title", "", "x-default", "Benchmark packet");
    meta.SetLocalizedText(xmp::ns::kDC, "title", "", "de-DE", "Messpaket");
    std::string raw(bytes / 8, '\0'), image;
    for (size_t i = 0; i < raw.size(); ++i)
        raw[i] = static_cast<char>(i * 131 + 17);
    xmp::TXMPUtils::EncodeToBase64(raw, &image);
    meta.AppendArrayItem(
        xmp::ns::kXMP, "Thumbnails",
        xmp::kPropValueIsArray | xmp::kPropArrayIsOrdered | xmp::kPropArrayIsAlternate, "",
        xmp::kPropValueIsStruct);
    meta.SetStructField(xmp::ns::kXMP, "Thumbnails[1]", xmp::ns::kXMPGImg, "format", "JPEG");
    meta.SetStructField(xmp::ns::kXMP, "Thumbnails[1]", xmp::ns::kXMPGImg, "width", "256");
    meta.SetStructField(xmp::ns::kXMP, "Thumbnails[1]", xmp::ns::kXMPGImg, "image", image);
    std::string packet;
    for (int n = 1;; ++n) {
        if (n % 16 == 1) {  // the size is checked now and then: serialising is the slow part
            meta.SerializeToBuffer(&packet);
            if (packet.size() >= bytes)
                return packet;
        }
        meta.AppendArrayItem(xmp::ns::kDC, "subject", xmp::kPropValueIsArray,
                             "keyword " + std::to_string(n));
        std::string item = "History[" + std::to_string(n) + "]";
        meta.AppendArrayItem(xmp::ns::kXMPMM, "History",
                             xmp::kPropValueIsArray | xmp::kPropArrayIsOrdered, "",
                             xmp::kPropValueIsStruct);
        meta.SetStructField(xmp::ns::kXMPMM, item, xmp::ns::kStEvt, "action", "saved");
        meta.SetStructField(xmp::ns::kXMPMM, item, xmp::ns::kStEvt, "when",
                            "2024-01-02T03:04:05+01:00");
        meta.SetStructField(xmp::ns::kXMPMM, item, xmp::ns::kStEvt, "instanceID",
                            "xmp.iid:" + std::to_string(1000000 + n));
    }
}

const std::string& Packet(int64_t kilobytes) {
    static std::map<int64_t, std::string> packets;
    std::string& packet = packets[kilobytes];
    if (packet.empty())
        packet = MakePacket(static_cast<size_t>(kilobytes) * 1024);
    return packet;
}

void BM_ParseIterateSerialise(benchmark::State& state) {
    const std::string& packet = Packet(state.range(0));
    size_t leaves = 0;
    for (auto _ : state) {
        xmp::TXMPMeta meta(packet);
        xmp::TXMPIterator it(meta, xmp::kIterJustLeafNodes);
        std::string schema, path, value;
        xmp::XMPOptions options;
        leaves = 0;
        while (it.Next(&schema, &path, &value, &options))
            ++leaves;
        std::string out;
        meta.SerializeToBuffer(&out);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["leaves"] = static_cast<double>(leaves);
}
BENCHMARK(BM_ParseIterateSerialise)->Arg(10)->Arg(200)->Unit(benchmark::kMicrosecond);

void BM_ExiftoolProcess(benchmark::State& state) {
    std::string file = "/tmp/bench-xmp-" + std::to_string(getpid()) + "-" +
                       std::to_string(state.range(0)) + ".xmp";
    std::ofstream(file, std::ios::binary) << Packet(state.range(0));
    const std::string command = "exiftool -xmp -b '" + file + "' > /dev/null 2>&1";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("exiftool failed (is libimage-exiftool-perl installed?)");
            break;
        }
    }
    std::remove(file.c_str());
}
BENCHMARK(BM_ExiftoolProcess)->Arg(10)->Arg(200)->Unit(benchmark::kMicrosecond)->Iterations(8);

// Prints each size's time and the exiftool process's time over ours.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string name = run.benchmark_name();
            const int64_t kb = std::atoll(name.substr(name.find('/') + 1).c_str());
            (name.rfind("BM_Exiftool", 0) == 0 ? exiftool_ : ours_)[kb] = run.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-10s %22s %22s %10s\n", "packet", "ours: parse+iter+ser",
                    "exiftool -xmp -b", "ratio");
        for (const auto& [kb, us] : ours_) {
            double peer = exiftool_.count(kb) ? exiftool_[kb] : 0.0;
            std::printf("%4lld KB   %19.1f us %19.1f us %9.1fx\n", static_cast<long long>(kb), us,
                        peer, us > 0 ? peer / us : 0.0);
        }
    }

private:
    std::map<int64_t, double> ours_, exiftool_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
