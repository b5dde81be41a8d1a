// createThumbnail at 256 of PDF documents through a connected client (a private instance of
// the real service): page 1 of a PDF holding a 24 MP photo, and of a vector-heavy page (many
// thousand filled and stroked paths), against `pdftoppm -scale-to 256` and
// `mutool draw -w 256 -h 256` run as processes on the same files. The service's figure
// includes opening the document, drawing, the JPEG encode and the reply; the peers' include
// their start-up and writing their image file. Prints medians and ratios of the wall-clock
// time, and beside them of the processor time (the service's from /proc, the peers' as
// children): on a shared machine the processor time is the steadier figure, while the wall
// clock alone shows what drawing on several threads gains.
//
// usage: bench_pdf_requests [runs per figure, default 5]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "bench/common/ProcessTiming.h"
#include "bench/common/ThumbnailParams.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVMutableList.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvloom/tests/OnePagePDF.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

namespace fs = std::filesystem;
namespace data = kvfoundation::data;
using svctest::OnePagePDF;
using vantory_bench::Median;
using vantory_bench::Run;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The 24 MP photo as the page's only content, embedded as it is (DCTDecode), 6000 x 4000
// pixels on a 1440 x 960 point page.
std::string PhotoPDF(const std::string& jpegPath) {
    const std::string jpeg = ReadAll(jpegPath);
    return OnePagePDF(1440, 960, "<< /XObject << /Im1 5 0 R >> >>",
                      "q 1440 0 0 960 0 0 cm /Im1 Do Q",
                      {"<< /Type /XObject /Subtype /Image /Width 6000 /Height 4000 "
                       "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode /Length " +
                       std::to_string(jpeg.size()) + " >>\nstream\n" + jpeg + "\nendstream"});
}

// 20,000 filled curved shapes and 20,000 stroked curves in changing colours and opacity on a
// letter page: what a detailed vector drawing asks of a renderer.
std::string VectorPDF() {
    uint32_t state = 12345;
    auto next = [&](int range) {
        state = state * 1103515245u + 12345u;
        return int((state >> 8) % uint32_t(range));
    };
    std::string content;
    char op[256];
    for (int i = 0; i < 20000; ++i) {
        const int x = next(612), y = next(792);
        std::snprintf(op, sizeof op,
                      "%.3f %.3f %.3f rg /G%d gs %d %d m %d %d %d %d %d %d c %d %d l h f\n",
                      next(1000) / 1000.0, next(1000) / 1000.0, next(1000) / 1000.0, i % 4, x, y,
                      x + next(60) - 30, y + next(60), x + next(60), y - next(60) + 30,
                      x + next(40), y + next(40), x + next(30) - 15, y - next(30));
        content += op;
        std::snprintf(op, sizeof op, "%.3f %.3f %.3f RG %.2f w %d %d m %d %d %d %d %d %d c S\n",
                      next(1000) / 1000.0, next(1000) / 1000.0, next(1000) / 1000.0,
                      0.2 + next(200) / 100.0, next(612), next(792), next(612), next(792),
                      next(612), next(792), next(612), next(792));
        content += op;
    }
    std::string states;
    for (int g = 0; g < 4; ++g) {
        states += "/G" + std::to_string(g) + " << /ca " + std::to_string(0.4 + 0.2 * g) + " >> ";
    }
    return OnePagePDF(612, 792, "<< /ExtGState << " + states + ">> >>", content, {});
}

// Processor seconds (user + system) the service process has used so far.
double ServiceCPUSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    // Fields after the command name, which is in parentheses and may hold spaces.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    unsigned long long user = 0, system = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) {
            user = std::stoull(field);
        } else if (index == 15) {
            system = std::stoull(field);
            break;
        }
    }
    return double(user + system) / double(::sysconf(_SC_CLK_TCK));
}

double ChildrenCPUSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The median wall-clock seconds of `work` and its mean processor seconds as `cpu` counts them.
struct Timing {
    double wall;
    double cpu;
};
Timing Measure(int runs, const std::function<double()>& cpu, const std::function<void()>& work) {
    const double before = cpu();
    const double wall = Median(runs, work);
    return {wall, (cpu() - before) / runs};
}

std::string Made(const std::string& name, const std::string& bytes) {
    const fs::path path = fs::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    kvfoundation::base::AutoReleasePool pool;
    const std::string photo = vantory_bench::Photo24MP();
    if (photo.empty() || !Run("command -v pdftoppm") || !Run("command -v mutool")) {
        std::fprintf(stderr, "bench_pdf_requests: needs ImageMagick, pdftoppm and mutool\n");
        return 1;
    }
    const std::vector<std::pair<std::string, std::string>> documents = {
        {"24 MP photo page", Made("vantory-bench-photo-page.pdf", PhotoPDF(photo))},
        {"vector-heavy page", Made("vantory-bench-vector-page.pdf", VectorPDF())}};

    svctest::RunningService service(true, 1);
    vantory::client::ServiceConnection& connection = service.Connection(0);
    const std::string out = (fs::temp_directory_path() / "vantory-bench-pdf-peer").string();

    const pid_t servicePid = service.Child().Pid();
    const auto serviceCPU = [servicePid] { return ServiceCPUSeconds(servicePid); };
    std::printf(
        "page 1 to 256 through the service (wall: median of %d, cpu: mean), seconds per "
        "page\n",
        runs);
    std::printf("%-20s %5s %9s %9s %9s %12s %12s\n", "document", "time", "service", "pdftoppm",
                "mutool", "/ pdftoppm", "/ mutool");
    for (const auto& [label, path] : documents) {
        const Timing ours = Measure(runs, serviceCPU, [&] {
            kvfoundation::base::AutoReleasePool each;
            if (!connection.Call("createThumbnail", vantory_bench::ThumbnailParams(path))
                     .succeeded) {
                std::fprintf(stderr, "createThumbnail failed on %s\n", path.c_str());
            }
        });
        const Timing poppler = Measure(runs, ChildrenCPUSeconds, [&] {
            Run("pdftoppm -f 1 -l 1 -singlefile -scale-to 256 -jpeg '" + path + "' '" + out + "'");
        });
        const Timing mupdf = Measure(runs, ChildrenCPUSeconds, [&] {
            Run("mutool draw -q -w 256 -h 256 -o '" + out + ".png' '" + path + "' 1");
        });
        std::printf("%-20s %5s %9.4f %9.4f %9.4f %12.2f %12.2f\n", label.c_str(), "wall", ours.wall,
                    poppler.wall, mupdf.wall, ours.wall / poppler.wall, ours.wall / mupdf.wall);
        std::printf("%-20s %5s %9.4f %9.4f %9.4f %12.2f %12.2f\n", "", "cpu", ours.cpu, poppler.cpu,
                    mupdf.cpu, ours.cpu / poppler.cpu, ours.cpu / mupdf.cpu);
    }
    std::printf("goals: <= 0.50 of pdftoppm, <= 1.00 of mutool\n");
    return 0;
}
