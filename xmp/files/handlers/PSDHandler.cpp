// Layered raster documents (PSD and the large-document variant PSB): the packet is image
// resource 1060 in the image resources section. An update drops the old resource (all of them),
// appends the new one at the end of the section and fixes the section length; the layers and the
// image data after it are copied as they are.
#include <vector>

#include "XMPError.h"
#include "handlers/PlanEdits.h"
#include "handlers/SmartHandlers.h"

namespace xmp {
namespace {

constexpr std::uint16_t kXmpResource = 1060;
constexpr std::uint64_t kHeaderSize = 26;

struct PsdLayout {
    std::uint64_t sectionLengthAt = 0;
    std::uint32_t sectionLength = 0;
    std::uint64_t sectionEnd = 0;
    bool hasXmp = false;
    // Every XMP resource block (start, size with padding): an update drops them all.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> xmpResources;
    std::uint64_t xmpResourcesSize = 0;
    std::uint64_t dataOffset = 0;  // of the first one, the packet read
    std::uint32_t dataLength = 0;
};

bool IsResourceSignature(std::string_view sig) {
    return sig == "8BIM" || sig == "MeSa" || sig == "AgHg" || sig == "PHUT" || sig == "DCSR";
}

PsdLayout ParsePsd(const ByteSource& file) {
    if (!file.Matches(0, "8BPS")) {
        throw XMPError(kXMPErr_BadFileFormat, "Not a layered raster document");
    }
    std::uint16_t version = file.U16BE(4);
    if (version != 1 && version != 2) {
        throw XMPError(kXMPErr_BadFileFormat,
                       "Unknown document version " + std::to_string(version));
    }
    PsdLayout layout;
    std::uint64_t colorModeLength = file.U32BE(kHeaderSize);
    layout.sectionLengthAt = kHeaderSize + 4 + colorModeLength;
    layout.sectionLength = file.U32BE(layout.sectionLengthAt);
    std::uint64_t pos = layout.sectionLengthAt + 4;
    layout.sectionEnd = pos + layout.sectionLength;
    if (layout.sectionEnd > file.Size()) {
        throw XMPError(kXMPErr_BadFileFormat, "Image resources run past the file");
    }
    while (pos < layout.sectionEnd) {
        std::uint64_t start = pos;
        if (pos + 12 > layout.sectionEnd || !IsResourceSignature(file.Read(pos, 4))) {
            throw XMPError(kXMPErr_BadFileFormat, "Malformed image resource block");
        }
        std::uint16_t id = file.U16BE(pos + 4);
        std::uint64_t nameLength = file.U8(pos + 6);
        pos += 6 + ((nameLength + 2) & ~1ull);  // Pascal string padded to even
        std::uint32_t dataLength = file.U32BE(pos);
        std::uint64_t data = pos + 4;
        std::uint64_t end = data + ((std::uint64_t{dataLength} + 1) & ~1ull);
        // Some writers leave the last pad byte out.
        if (data + dataLength > layout.sectionEnd) {
            throw XMPError(kXMPErr_BadFileFormat, "Image resource runs past its section");
        }
        end = end > layout.sectionEnd ? layout.sectionEnd : end;
        if (id == kXmpResource) {
            layout.xmpResources.emplace_back(start, end - start);
            layout.xmpResourcesSize += end - start;
        }
        if (id == kXmpResource && !layout.hasXmp) {
            layout.hasXmp = true;
            layout.dataOffset = data;
            layout.dataLength = dataLength;
        }
        pos = end;
    }
    return layout;
}

class PSDHandler final : public FileHandler {
public:
    XMP_FileFormat Format() const override { return kXMP_PhotoshopFile; }
    XMP_OptionBits HandlerFlags() const override {
        return kXMPFiles_CanInjectXMP | kXMPFiles_CanExpand | kXMPFiles_CanRewrite;
    }

    std::optional<FoundPacket> ReadXMP(const ByteSource& file) const override {
        PsdLayout layout = ParsePsd(file);
        if (!layout.hasXmp) {
            return std::nullopt;
        }
        return ReadPacketAt(file, layout.dataOffset, layout.dataLength);
    }

    OutputPlan PlanUpdate(const ByteSource& file, const std::string& packet) const override {
        PsdLayout layout = ParsePsd(file);
        std::string resource = "8BIM" + BE16(kXmpResource) + std::string(2, '\0') +
                               BE32(static_cast<std::uint32_t>(packet.size())) + packet;
        resource.append(resource.size() % 2, '\0');
        // A last resource without its pad byte gets it, or it would swallow our first byte.
        std::uint64_t kept = layout.sectionLength - layout.xmpResourcesSize;
        resource.insert(0, kept % 2, '\0');
        std::uint64_t newLength = kept + resource.size();
        if (newLength > 0xFFFFFFFFull) {
            throw XMPError(kXMPErr_BadFileFormat, "Image resources would exceed 4 GB");
        }
        std::vector<ContainerEdit> edits;
        edits.push_back({layout.sectionLengthAt, 4, BE32(static_cast<std::uint32_t>(newLength))});
        for (auto [start, size] : layout.xmpResources) {
            edits.push_back({start, size, {}});
        }
        edits.push_back({layout.sectionEnd, 0, std::move(resource)});
        return PlanWithEdits(file.Size(), std::move(edits));
    }
};

bool SniffPsd(const ByteSource& file) {
    return file.Matches(0, "8BPS");
}

}  // namespace

const HandlerEntry kPSDHandler{{kXMP_PhotoshopFile, 0, 0}, SniffPsd, [](const ByteSource&) {
                                   return std::unique_ptr<FileHandler>(new PSDHandler);
                               }};

}  // namespace xmp
