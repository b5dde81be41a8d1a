// Reading the XMP packet of large image files through TXMPFiles (open, find, copy the packet,
// close) against `exiftool -xmp -b` as a whole process, which is what a caller would run
// instead. The files are made at run time with ImageMagick: a 20 MB JPEG and a 20 MB TIFF, and
// 1 MB ones of the same kind, so the table shows that the cost does not grow with the image
// data. The packet is injected by our own handlers. Wall-clock time, best of several runs (the
// machine is shared).
//
//   bench_xmpfiles [runs]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "TXMPFiles.h"

namespace fs = std::filesystem;

namespace {

double BestSeconds(int runs, const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

std::string Packet() {
    std::string body;
    for (int i = 0; i < 40; ++i) {
        body += "   <dc:subject-" + std::to_string(i) + ">keyword number " + std::to_string(i) +
                "</dc:subject-" + std::to_string(i) + ">\n";
    }
    std::string packet =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        "  <rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n" +
        body + "  </rdf:Description>\n</rdf:RDF></x:xmpmeta>\n";
    packet.append(2048, ' ');
    return packet + "<?xpacket end=\"w\"?>";
}

// An image of about `megabytes` MB (grey noise, which compresses badly) with our packet in it.
bool MakeImage(const std::string& path, int megabytes, bool jpeg) {
    // Grey noise at quality 100 costs about 0.95 bytes a pixel in JPEG; uncompressed RGB 3.
    double bytesPerPixel = jpeg ? 0.95 : 3.0;
    int side = static_cast<int>(std::sqrt(megabytes * 1048576.0 / bytesPerPixel));
    std::string command =
        "convert -size " + std::to_string(side) + "x" + std::to_string(side) +
        " xc:gray +noise Random " +
        (jpeg ? "-quality 100 -sampling-factor 1x1 " : "-type TrueColor -depth 8 -compress none ") +
        "'" + path + "'";
    if (std::system(command.c_str()) != 0) {
        return false;
    }
    xmp::TXMPFiles file;
    if (!file.OpenFile(path, jpeg ? xmp::kXMP_JPEGFile : xmp::kXMP_TIFFFile,
                       xmp::kXMPFiles_OpenForUpdate)) {
        return false;
    }
    file.PutXMP(Packet());
    file.CloseFile(xmp::kXMPFiles_UpdateSafely);
    return true;
}

std::size_t ReadOurs(const std::string& path) {
    xmp::TXMPFiles file;
    std::string packet;
    if (!file.OpenFile(path, xmp::kXMP_UnknownFile, xmp::kXMPFiles_OpenForRead) ||
        !file.GetXMP(&packet)) {
        std::fprintf(stderr, "no packet read from %s\n", path.c_str());
        std::exit(1);
    }
    return packet.size();
}

void ReadWithExiftool(const std::string& path) {
    std::string command = "exiftool -xmp -b '" + path + "' > /dev/null";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "exiftool failed on %s\n", path.c_str());
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    fs::path dir = fs::temp_directory_path() / ("bench-xmpfiles-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::printf("%-6s %8s %14s %14s %14s\n", "file", "MB", "TXMPFiles ms", "exiftool ms",
                "exiftool/ours");
    int status = 0;
    for (bool jpeg : {true, false}) {
        for (int megabytes : {1, 20}) {
            std::string path =
                (dir / ("image" + std::to_string(megabytes) + (jpeg ? ".jpg" : ".tif"))).string();
            if (!MakeImage(path, megabytes, jpeg)) {
                std::fprintf(stderr, "could not make %s (ImageMagick convert)\n", path.c_str());
                status = 1;
                continue;
            }
            double ours = BestSeconds(runs * 20, [&] { ReadOurs(path); });
            double peer = BestSeconds(runs, [&] { ReadWithExiftool(path); });
            std::printf("%-6s %8.1f %14.3f %14.1f %13.0fx\n", jpeg ? "JPEG" : "TIFF",
                        static_cast<double>(fs::file_size(path)) / 1048576.0, ours * 1e3,
                        peer * 1e3, peer / ours);
        }
    }
    fs::remove_all(dir);
    return status;
}
