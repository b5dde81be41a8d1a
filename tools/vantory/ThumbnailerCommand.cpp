// `vantory thumb --thumbnailer INPUT OUTPUT SIZE`: our engine as a desktop thumbnailer
// (share/thumbnailers/vantory.thumbnailer names this command line).
#include <cstdlib>
#include <iostream>

#include "tools/vantory/Commands.h"
#include "tools/vantory/JpegToRgb.h"
#include "tools/vantory/PngWriter.h"
#include "tools/vantory/ThumbRequest.h"

namespace vantory::cli {
namespace {

// Thumbnails are re-encoded as PNG: ask for the JPEG at a quality that keeps them clean.
constexpr int kThumbnailerQuality = 10;
constexpr int kLargestSize = 4096;

int RunThumbnailer(const std::string& input, const std::string& output, int size,
                   client::ServiceConnection& connection) {
    client::Reply reply =
        connection.Call("createThumbnail", ThumbnailRequest(input, {size}, kThumbnailerQuality));
    if (!reply.succeeded) {
        ReportError(input, reply);
        return kErrorReply;
    }
    const std::vector<ReturnedThumbnail> thumbnails = ReturnedThumbnails(reply.result.get());
    std::optional<RgbImage> image;
    if (!thumbnails.empty()) {
        image = DecodeJpeg(thumbnails[0].jpeg->Bytes(), size_t(thumbnails[0].jpeg->Length()));
    }
    if (!image || !WritePngAtomically(output, *image, {{"Software", "Vantory QX4"}}, 0600)) {
        std::cerr << "vantory: cannot write the thumbnail of " << input << " to " << output << "\n";
        return kErrorReply;
    }
    return kSuccess;
}

}  // namespace

std::optional<CommandRunner> ParseThumbnailerCommand(const std::vector<std::string>& args) {
    char* end = nullptr;
    const long size = args.size() == 3 ? std::strtol(args[2].c_str(), &end, 10) : 0;
    if (args.size() != 3 || *end != '\0' || size < 1 || size > kLargestSize) {
        std::cerr << "vantory: usage: thumb --thumbnailer INPUT OUTPUT SIZE (SIZE 1.."
                  << kLargestSize << ")\n";
        return std::nullopt;
    }
    return [input = args[0], output = args[1],
            size = int(size)](client::ServiceConnection& connection) {
        return RunThumbnailer(input, output, size, connection);
    };
}

bool FallsBackToPrivateInstance(const std::vector<std::string>& words) {
    return words.size() >= 2 && words[0] == "thumb" && words[1] == "--thumbnailer";
}

}  // namespace vantory::cli
