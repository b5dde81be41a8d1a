// PNG: the packet is the text of an uncompressed iTXt chunk with the keyword
// "XML:com.adobe.xmp" (empty language and translated keyword). An update drops every old XMP chunk
// and writes a new one, with its CRC, right after IHDR.
#include <vector>

#include "XMPError.h"
#include "handlers/PlanEdits.h"
#include "handlers/SmartHandlers.h"
#include "util/Checksums.h"

namespace xmp {
namespace {

constexpr std::string_view kSignature{"\x89PNG\r\n\x1a\n", 8};
// Keyword, NUL, compression flag 0, method 0, empty language tag, empty translated keyword.
constexpr std::string_view kXmpPrefix{"XML:com.adobe.xmp\0\0\0\0\0", 22};
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFF;

struct PngLayout {
    std::uint64_t afterIhdr = 0;
    bool hasXmp = false;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> xmpChunks;  // all of them, to drop
    std::uint64_t textOffset = 0;
    std::uint64_t textLength = 0;
};

PngLayout ParsePng(const ByteSource& file) {
    if (!file.Matches(0, kSignature)) {
        throw XMPError(kXMPErr_BadFileFormat, "Not a PNG file");
    }
    PngLayout layout;
    std::uint64_t pos = kSignature.size();
    bool sawEnd = false;
    while (pos < file.Size() && !sawEnd) {
        std::uint32_t length = file.U32BE(pos);
        std::string type = file.Read(pos + 4, 4);
        if (length > kMaxChunkLength || pos + 12 + length > file.Size()) {
            throw XMPError(kXMPErr_BadFileFormat, "PNG chunk '" + type + "' runs past the file");
        }
        std::uint64_t data = pos + 8;
        if (pos == kSignature.size()) {
            if (type != "IHDR") {
                throw XMPError(kXMPErr_BadFileFormat, "PNG does not start with IHDR");
            }
            layout.afterIhdr = data + length + 4;
        }
        if (type == "iTXt" && length >= 18 &&
            file.Matches(data, std::string_view("XML:com.adobe.xmp\0", 18))) {
            if (!file.Matches(data, kXmpPrefix) || length < kXmpPrefix.size()) {
                throw XMPError(kXMPErr_BadFileFormat,
                               "Compressed or tagged PNG XMP chunk is not supported");
            }
            std::string whole = file.Read(pos + 4, 4 + std::uint64_t{length});
            if (Crc32(whole) != file.U32BE(data + length)) {
                throw XMPError(kXMPErr_BadFileFormat, "PNG XMP chunk has a bad CRC");
            }
            layout.xmpChunks.emplace_back(pos, 12 + std::uint64_t{length});
            if (!layout.hasXmp) {
                layout.hasXmp = true;
                layout.textOffset = data + kXmpPrefix.size();
                layout.textLength = length - kXmpPrefix.size();
            }
        }
        sawEnd = type == "IEND";
        pos = data + length + 4;
    }
    if (!sawEnd) {
        throw XMPError(kXMPErr_BadFileFormat, "PNG has no IEND chunk");
    }
    return layout;
}

class PNGHandler final : public FileHandler {
public:
    XMP_FileFormat Format() const override { return kXMP_PNGFile; }
    XMP_OptionBits HandlerFlags() const override {
        return kXMPFiles_CanInjectXMP | kXMPFiles_CanExpand | kXMPFiles_CanRewrite;
    }

    std::optional<FoundPacket> ReadXMP(const ByteSource& file) const override {
        PngLayout layout = ParsePng(file);
        if (!layout.hasXmp) {
            return std::nullopt;
        }
        return ReadPacketAt(file, layout.textOffset, layout.textLength);
    }

    OutputPlan PlanUpdate(const ByteSource& file, const std::string& packet) const override {
        PngLayout layout = ParsePng(file);
        std::string body = "iTXt" + std::string(kXmpPrefix) + packet;
        std::string chunk =
            BE32(static_cast<std::uint32_t>(body.size() - 4)) + body + BE32(Crc32(body));
        std::vector<ContainerEdit> edits;
        for (auto [offset, size] : layout.xmpChunks) {
            edits.push_back({offset, size, {}});
        }
        edits.push_back({layout.afterIhdr, 0, std::move(chunk)});
        return PlanWithEdits(file.Size(), std::move(edits));
    }
};

bool SniffPng(const ByteSource& file) {
    return file.Matches(0, kSignature);
}

}  // namespace

const HandlerEntry kPNGHandler{{kXMP_PNGFile, 0, 0}, SniffPng, [](const ByteSource&) {
                                   return std::unique_ptr<FileHandler>(new PNGHandler);
                               }};

}  // namespace xmp
