// Page 1 of the multi-page corpus documents drawn to fit 256 pixels: our layer (open, count,
// draw, close, all in the process) against `mutool draw` and `pdftoppm -scale-to 256` run as
// processes, which is how a service without a library binding would have to do it. Wall time,
// since the peers are other processes; each figure is printed with its ratio to ours.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "ThumbMetaLib/pdf/PDFPageDocument.h"
#include "ThumbMetaLib/pdf/PDFSession.h"

using namespace ThumbMetaLib;

namespace {

constexpr uint32_t kEdge = 256;
const char* const kDocuments[] = {"pdfjs-page_with_number_and_link-17pages.pdf",
                                  "qpdf-compressed-metadata-30pages.pdf"};

std::string CorpusPath(const char* name) {
    return std::string(VANTORY_CORPUS_DIR "/pdf/") + name;
}

void Ours(benchmark::State& state, const char* name) {
    const std::string path = CorpusPath(name);
    if (!EnsurePDFReady()) {
        state.SkipWithError("MuPDF not ready");
        return;
    }
    for (auto _ : state) {
        auto document = PDFPageDocument::Open(path);
        PixelsPtr page = document->RenderPage(0, {.fitSize = kEdge});
        benchmark::DoNotOptimize(page->Bytes());
    }
}

void RunCommand(benchmark::State& state, const std::string& command) {
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            return;
        }
    }
}

void Mutool(benchmark::State& state, const char* name) {
    RunCommand(state, "mutool draw -q -o /tmp/vantory-bench-pdf.pnm -w 256 -h 256 '" +
                          CorpusPath(name) + "' 1 2>/dev/null");
}

void Pdftoppm(benchmark::State& state, const char* name) {
    RunCommand(state, "pdftoppm -f 1 -l 1 -singlefile -scale-to 256 '" + CorpusPath(name) +
                          "' /tmp/vantory-bench-pdf 2>/dev/null");
}

void Register() {
    for (const char* name : kDocuments) {
        const std::string tail = std::string("/") + name;
        benchmark::RegisterBenchmark(("Ours" + tail).c_str(), Ours, name)->UseRealTime();
        benchmark::RegisterBenchmark(("Mutool" + tail).c_str(), Mutool, name)->UseRealTime();
        benchmark::RegisterBenchmark(("Pdftoppm" + tail).c_str(), Pdftoppm, name)->UseRealTime();
    }
}

// Prints milliseconds per page and how many times longer each peer takes than ours.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations == 0) {
                continue;
            }
            const std::string name = run.benchmark_name();
            const size_t slash = name.find('/');
            const std::string document =
                name.substr(slash + 1, name.find('/', slash + 1) - slash - 1);
            const double ms = run.real_accumulated_time / run.iterations * 1e3;
            if (name.rfind("Ours", 0) == 0) {
                ours_[document] = ms;
            }
            figures_.push_back({name, document, ms});
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-60s %10s %10s\n", "page 1 to 256 px", "ms", "x ours");
        for (const Figure& figure : figures_) {
            const double peer = ours_[figure.document];
            std::printf("%-60s %10.2f %10.2f\n", figure.name.c_str(), figure.ms,
                        peer > 0 ? figure.ms / peer : 0.0);
        }
    }

private:
    struct Figure {
        std::string name, document;
        double ms;
    };
    std::vector<Figure> figures_;
    std::map<std::string, double> ours_;
};

}  // namespace

int main(int argc, char** argv) {
    Register();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
