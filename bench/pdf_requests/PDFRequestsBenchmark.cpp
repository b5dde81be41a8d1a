// createThumbnail at 256 of PDF documents through a connected client (a private instance of
// the real service): page 1 of a PDF holding a 24 MP photo, and of a vector-heavy page (many
// thousand filled and stroked paths), against `pdftoppm -scale-to 256` and
// `mutool draw -w 256 -h 256` run as processes on the same files. The service's figure
// includes opening the document, drawing, the JPEG encode and the reply; the peers' include
// their start-up and writing their image file. Prints medians and ratios.
//
// usage: bench_pdf_requests [runs per figure, default 5]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

    std::printf("page 1 to 256 through the service (median of %d), seconds per page\n", runs);
    std::printf("%-20s %9s %9s %9s %12s %12s\n", "document", "service", "pdftoppm", "mutool",
                "/ pdftoppm", "/ mutool");
    for (const auto& [label, path] : documents) {
        const double ours = Median(runs, [&] {
            kvfoundation::base::AutoReleasePool each;
            if (!connection.Call("createThumbnail", vantory_bench::ThumbnailParams(path))
                     .succeeded) {
                std::fprintf(stderr, "createThumbnail failed on %s\n", path.c_str());
            }
        });
        const double poppler = Median(runs, [&] {
            Run("pdftoppm -f 1 -l 1 -singlefile -scale-to 256 -jpeg '" + path + "' '" + out + "'");
        });
        const double mupdf = Median(runs, [&] {
            Run("mutool draw -q -w 256 -h 256 -o '" + out + ".png' '" + path + "' 1");
        });
        std::printf("%-20s %9.4f %9.4f %9.4f %12.2f %12.2f\n", label.c_str(), ours, poppler, mupdf,
                    ours / poppler, ours / mupdf);
    }
    std::printf("goals: <= 0.50 of pdftoppm, <= 1.00 of mutool\n");
    return 0;
}
