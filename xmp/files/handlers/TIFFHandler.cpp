// TIFF: the packet is the value of tag 700 (type BYTE or UNDEFINED) in the first IFD. An
// update never moves image data: the new packet overwrites the old one when it fits, and is
// otherwise appended with the tag entry patched; a file without the tag gets a copy of its
// first IFD, with the tag added, appended and named by the header. Only IFD 0 is read, so a
// chain of IFDs that points back on itself is never followed.
#include <vector>

#include "XMPError.h"
#include "handlers/PlanEdits.h"
#include "handlers/SmartHandlers.h"

namespace xmp {
namespace {

constexpr std::uint16_t kXmpTag = 700;
constexpr std::uint16_t kTypeByte = 1, kTypeAscii = 2, kTypeUndefined = 7;

struct TiffLayout {
    bool littleEndian = false;
    std::uint32_t ifdOffset = 0;
    std::uint16_t entryCount = 0;
    bool hasXmp = false;
    std::uint64_t xmpEntry = 0;  // file offset of the tag's 12-byte entry
    std::uint32_t xmpLength = 0;
    std::uint64_t xmpOffset = 0;  // where the packet bytes are
};

class TiffReader {
public:
    TiffReader(const ByteSource& file, bool little) : file_(file), little_(little) {}
    std::uint16_t U16(std::uint64_t at) const {
        return little_ ? file_.U16LE(at) : file_.U16BE(at);
    }
    std::uint32_t U32(std::uint64_t at) const {
        return little_ ? file_.U32LE(at) : file_.U32BE(at);
    }

private:
    const ByteSource& file_;
    bool little_;
};

TiffLayout ParseTiff(const ByteSource& file) {
    TiffLayout layout;
    if (file.Matches(0, "II")) {
        layout.littleEndian = true;
    } else if (!file.Matches(0, "MM")) {
        throw XMPError(kXMPErr_BadFileFormat, "Not a TIFF file");
    }
    TiffReader in(file, layout.littleEndian);
    std::uint16_t version = in.U16(2);
    if (version == 43) {
        throw XMPError(kXMPErr_BadFileFormat, "BigTIFF files are not supported");
    }
    if (version != 42) {
        throw XMPError(kXMPErr_BadFileFormat,
                       "Not a TIFF file (version " + std::to_string(version) + ")");
    }
    layout.ifdOffset = in.U32(4);
    if (layout.ifdOffset < 8) {
        throw XMPError(kXMPErr_BadFileFormat, "TIFF IFD 0 overlaps the header");
    }
    layout.entryCount = in.U16(layout.ifdOffset);
    std::uint64_t entries = std::uint64_t{layout.ifdOffset} + 2;
    if (entries + 12ull * layout.entryCount + 4 > file.Size()) {
        throw XMPError(kXMPErr_BadFileFormat, "TIFF IFD 0 runs past the file");
    }
    for (std::uint16_t i = 0; i < layout.entryCount; ++i) {
        std::uint64_t entry = entries + 12ull * i;
        if (in.U16(entry) != kXmpTag) {
            continue;
        }
        std::uint16_t type = in.U16(entry + 2);
        if (type != kTypeByte && type != kTypeUndefined && type != kTypeAscii) {
            throw XMPError(kXMPErr_BadFileFormat, "TIFF tag 700 has type " + std::to_string(type));
        }
        layout.hasXmp = true;
        layout.xmpEntry = entry;
        layout.xmpLength = in.U32(entry + 4);
        layout.xmpOffset = layout.xmpLength <= 4 ? entry + 8 : in.U32(entry + 8);
        if (layout.xmpOffset + layout.xmpLength > file.Size()) {
            throw XMPError(kXMPErr_BadFileFormat, "TIFF tag 700 points past the file");
        }
        break;
    }
    return layout;
}

class TIFFHandler final : public FileHandler {
public:
    XMP_FileFormat Format() const override { return kXMP_TIFFFile; }
    XMP_OptionBits HandlerFlags() const override {
        return kXMPFiles_CanInjectXMP | kXMPFiles_CanExpand | kXMPFiles_CanRewrite;
    }

    std::optional<FoundPacket> ReadXMP(const ByteSource& file) const override {
        TiffLayout layout = ParseTiff(file);
        if (!layout.hasXmp) {
            return std::nullopt;
        }
        return ReadPacketAt(file, layout.xmpOffset, layout.xmpLength);
    }

    OutputPlan PlanUpdate(const ByteSource& file, const std::string& packet) const override {
        TiffLayout layout = ParseTiff(file);
        auto u16 = [&](std::uint32_t v) { return layout.littleEndian ? LE16(v) : BE16(v); };
        auto u32 = [&](std::uint32_t v) { return layout.littleEndian ? LE32(v) : BE32(v); };
        auto entry = [&](std::uint32_t valueOffset) {
            std::string value = packet.size() <= 4 ? packet + std::string(4 - packet.size(), '\0')
                                                   : u32(valueOffset);
            return u16(kXmpTag) + u16(kTypeUndefined) +
                   u32(static_cast<std::uint32_t>(packet.size())) + value;
        };
        // Appended blocks start on a word boundary, as TIFF offsets should.
        std::uint64_t size = file.Size();
        std::string tail(size % 2, '\0');
        auto appendAt = [&] { return size + tail.size(); };
        if (packet.empty()) {
            throw XMPError(kXMPErr_BadParam, "Empty XMP packet");
        }

        std::vector<ContainerEdit> edits;
        std::uint32_t packetOffset = 0;
        // In place only over a packet that lies clear of the header and of IFD 0.
        std::uint64_t ifdEnd = std::uint64_t{layout.ifdOffset} + 2 + 12ull * layout.entryCount + 4;
        bool clear =
            layout.xmpOffset >= 8 &&
            (layout.xmpOffset + layout.xmpLength <= layout.ifdOffset || layout.xmpOffset >= ifdEnd);
        if (layout.hasXmp && layout.xmpLength > 4 && packet.size() <= layout.xmpLength && clear) {
            packetOffset = static_cast<std::uint32_t>(layout.xmpOffset);
            edits.push_back({layout.xmpOffset, packet.size(), packet});
        } else if (packet.size() > 4) {
            packetOffset = static_cast<std::uint32_t>(appendAt());
            tail += packet;
            tail.append((size + tail.size()) % 2, '\0');
        }

        if (layout.hasXmp) {
            edits.push_back({layout.xmpEntry, 12, entry(packetOffset)});
        } else {
            // A copy of IFD 0 with the tag in its sorted place; the values it points to stay
            // where they are, so nothing else moves.
            TiffReader in(file, layout.littleEndian);
            std::uint64_t entries = std::uint64_t{layout.ifdOffset} + 2;
            std::string ifd = u16(layout.entryCount + 1u);
            bool placed = false;
            for (std::uint16_t i = 0; i < layout.entryCount; ++i) {
                std::uint64_t at = entries + 12ull * i;
                if (!placed && in.U16(at) > kXmpTag) {
                    ifd += entry(packetOffset);
                    placed = true;
                }
                ifd += file.Read(at, 12);
            }
            if (!placed) {
                ifd += entry(packetOffset);
            }
            ifd += file.Read(entries + 12ull * layout.entryCount, 4);  // next-IFD pointer
            std::uint32_t ifdOffset = static_cast<std::uint32_t>(appendAt());
            tail += ifd;
            edits.push_back({4, 4, u32(ifdOffset)});
        }
        if (size + tail.size() > 0xFFFFFFFFull) {
            throw XMPError(kXMPErr_BadFileFormat, "TIFF would grow past 4 GB");
        }
        edits.push_back({size, 0, std::move(tail)});
        return PlanWithEdits(size, std::move(edits));
    }
};

// BigTIFF ("+" for "*") is claimed too, so that it is refused with a clear error instead of
// reaching the packet scanner.
bool SniffTiff(const ByteSource& file) {
    for (std::string_view magic : {std::string_view("II*\0", 4), std::string_view("MM\0*", 4),
                                   std::string_view("II+\0", 4), std::string_view("MM\0+", 4)}) {
        if (file.Matches(0, magic)) {
            return true;
        }
    }
    return false;
}

}  // namespace

const HandlerEntry kTIFFHandler{{kXMP_TIFFFile, 0, 0}, SniffTiff, [](const ByteSource&) {
                                    return std::unique_ptr<FileHandler>(new TIFFHandler);
                                }};

}  // namespace xmp
