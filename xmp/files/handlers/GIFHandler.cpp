// GIF: the packet is stored raw in an application extension "XMP Data" / "XMP", followed by
// a 258-byte "magic trailer" (0x01, 0xFF down to 0x00, then the block terminator) that makes
// a reader skipping sub-blocks land on the terminator whatever the packet bytes are. An update
// drops every old XMP extension and writes the new one before the first block.
#include <vector>

#include "XMPError.h"
#include "handlers/PlanEdits.h"
#include "handlers/SmartHandlers.h"

namespace xmp {
namespace {

constexpr std::string_view kAppId = "XMP DataXMP";
constexpr std::uint64_t kMagicTrailerSize = 258;

std::string MagicTrailer() {
    std::string magic(1, '\x01');
    for (int v = 0xFF; v >= 0; --v) {
        magic += static_cast<char>(v);
    }
    magic += '\0';
    return magic;
}

struct GifLayout {
    bool is87a = false;
    std::uint64_t firstBlock = 0;  // after the screen descriptor and global colour table
    std::vector<std::pair<std::uint64_t, std::uint64_t>> xmpExtensions;  // all of them, to drop
    bool hasXmp = false;
    std::uint64_t packetOffset = 0;
    std::uint64_t packetLength = 0;
};

std::uint64_t ColorTableSize(std::uint8_t flags) {
    return (flags & 0x80) ? 3ull << ((flags & 7) + 1) : 0;
}

// Position after the sub-blocks starting at `pos` (after their zero terminator).
std::uint64_t SkipSubBlocks(const ByteSource& file, std::uint64_t pos) {
    for (;;) {
        std::uint8_t length = file.U8(pos);
        pos += 1 + std::uint64_t{length};
        if (length == 0) {
            return pos;
        }
    }
}

GifLayout ParseGif(const ByteSource& file) {
    GifLayout layout;
    if (file.Matches(0, "GIF87a")) {
        layout.is87a = true;
    } else if (!file.Matches(0, "GIF89a")) {
        throw XMPError(kXMPErr_BadFileFormat, "Not a GIF file");
    }
    std::uint64_t pos = 13 + ColorTableSize(file.U8(10));
    layout.firstBlock = pos;
    for (;;) {
        std::uint8_t introducer = file.U8(pos);
        if (introducer == 0x3B) {
            return layout;
        }
        if (introducer == 0x2C) {  // image descriptor, optional local table, LZW data
            std::uint64_t afterTable = pos + 10 + ColorTableSize(file.U8(pos + 9));
            pos = SkipSubBlocks(file, afterTable + 1);
        } else if (introducer == 0x21) {
            std::uint64_t start = pos;
            bool isXmp =
                file.U8(pos + 1) == 0xFF && file.U8(pos + 2) == 11 && file.Matches(pos + 3, kAppId);
            pos = SkipSubBlocks(file, pos + 2);
            if (isXmp) {
                layout.xmpExtensions.emplace_back(start, pos - start);
            }
            if (isXmp && !layout.hasXmp) {
                std::uint64_t data = start + 3 + kAppId.size();
                if (pos < data + kMagicTrailerSize ||
                    !file.Matches(pos - kMagicTrailerSize, MagicTrailer())) {
                    throw XMPError(kXMPErr_BadFileFormat, "GIF XMP extension lacks its trailer");
                }
                layout.hasXmp = true;
                layout.packetOffset = data;
                layout.packetLength = pos - kMagicTrailerSize - data;
            }
        } else {
            throw XMPError(kXMPErr_BadFileFormat, "Unknown GIF block");
        }
    }
}

class GIFHandler final : public FileHandler {
public:
    XMP_FileFormat Format() const override { return kXMP_GIFFile; }
    XMP_OptionBits HandlerFlags() const override {
        return kXMPFiles_CanInjectXMP | kXMPFiles_CanExpand | kXMPFiles_CanRewrite;
    }

    std::optional<FoundPacket> ReadXMP(const ByteSource& file) const override {
        GifLayout layout = ParseGif(file);
        if (!layout.hasXmp) {
            return std::nullopt;
        }
        return ReadPacketAt(file, layout.packetOffset, layout.packetLength);
    }

    OutputPlan PlanUpdate(const ByteSource& file, const std::string& packet) const override {
        // A zero byte would end the extension early for a reader skipping sub-blocks.
        if (packet.find('\0') != std::string::npos) {
            throw XMPError(kXMPErr_BadXMP, "A GIF packet must be UTF-8 without zero bytes");
        }
        GifLayout layout = ParseGif(file);
        std::vector<ContainerEdit> edits;
        if (layout.is87a) {
            edits.push_back({3, 3, "89a"});  // extensions need GIF89a
        }
        for (auto [offset, size] : layout.xmpExtensions) {
            edits.push_back({offset, size, {}});
        }
        // Before the first block, where other writers look for it when they update the file.
        edits.push_back(
            {layout.firstBlock, 0, "\x21\xFF\x0B" + std::string(kAppId) + packet + MagicTrailer()});
        return PlanWithEdits(file.Size(), std::move(edits));
    }
};

bool SniffGif(const ByteSource& file) {
    return file.Matches(0, "GIF87a") || file.Matches(0, "GIF89a");
}

}  // namespace

const HandlerEntry kGIFHandler{{kXMP_GIFFile, 0, 0}, SniffGif, [](const ByteSource&) {
                                   return std::unique_ptr<FileHandler>(new GIFHandler);
                               }};

}  // namespace xmp
