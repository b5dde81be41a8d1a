// MP4 and the ISO base media family: the packet is the payload of a top-level "uuid" box
// with the XMP user type BE7ACFCB-97A9-42E8-9C71-999491E3AFAC. Sample tables hold absolute
// offsets into the media data, so an update never moves an existing byte: the new box
// replaces the old one in place when it fits (the rest becomes a "free" box), otherwise the
// old one is turned into "free" and the new one appended at the end of the file.
#include <vector>

#include "XMPError.h"
#include "handlers/PlanEdits.h"
#include "handlers/SmartHandlers.h"

namespace xmp {
namespace {

constexpr std::string_view kXmpUuid{
    "\xBE\x7A\xCF\xCB\x97\xA9\x42\xE8\x9C\x71\x99\x94\x91\xE3\xAF\xAC", 16};
constexpr std::size_t kMaxTopLevelBoxes = 1u << 16;

struct Box {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t headerSize = 0;  // 8, or 16 with a 64-bit size
    bool toEndOfFile = false;      // declared size 0
    std::string type;
};

struct BmffLayout {
    std::vector<Box> boxes;
    int xmpBox = -1;                 // the first XMP box: the one read, and replaced in place
    std::vector<int> laterXmpBoxes;  // further ones, freed by an update
};

BmffLayout ParseBmff(const ByteSource& file) {
    BmffLayout layout;
    for (std::uint64_t pos = 0; pos < file.Size();) {
        if (layout.boxes.size() >= kMaxTopLevelBoxes) {
            throw XMPError(kXMPErr_BadFileFormat, "Too many top-level boxes");
        }
        Box box;
        box.offset = pos;
        box.headerSize = 8;
        box.size = file.U32BE(pos);
        box.type = file.Read(pos + 4, 4);
        if (box.size == 1) {
            box.size = file.U64BE(pos + 8);
            box.headerSize = 16;
        } else if (box.size == 0) {
            box.size = file.Size() - pos;
            box.toEndOfFile = true;
        }
        if (box.size < box.headerSize || box.size > file.Size() - pos) {
            throw XMPError(kXMPErr_BadFileFormat,
                           "Box '" + box.type + "' has a size outside the file");
        }
        if (box.type == "uuid" && box.size >= box.headerSize + 16 &&
            file.Matches(pos + box.headerSize, kXmpUuid)) {
            int index = static_cast<int>(layout.boxes.size());
            if (layout.xmpBox < 0) {
                layout.xmpBox = index;
            } else {
                layout.laterXmpBoxes.push_back(index);
            }
        }
        pos += box.size;
        layout.boxes.push_back(std::move(box));
    }
    if (layout.boxes.empty() || layout.boxes.front().type != "ftyp") {
        throw XMPError(kXMPErr_BadFileFormat, "Not an ISO base media file (no leading ftyp box)");
    }
    return layout;
}

std::string XmpBox(const std::string& packet) {
    std::uint64_t size = 8 + kXmpUuid.size() + packet.size();
    if (size > 0xFFFFFFFFull) {
        return BE32(1) + "uuid" + BE64(size + 8) + std::string(kXmpUuid) + packet;
    }
    return BE32(static_cast<std::uint32_t>(size)) + "uuid" + std::string(kXmpUuid) + packet;
}

class BMFFHandler final : public FileHandler {
public:
    XMP_FileFormat Format() const override { return kXMP_MPEG4File; }
    XMP_OptionBits HandlerFlags() const override {
        return kXMPFiles_CanInjectXMP | kXMPFiles_CanExpand | kXMPFiles_CanRewrite;
    }

    std::optional<FoundPacket> ReadXMP(const ByteSource& file) const override {
        BmffLayout layout = ParseBmff(file);
        if (layout.xmpBox < 0) {
            return std::nullopt;
        }
        const Box& box = layout.boxes[layout.xmpBox];
        std::uint64_t at = box.offset + box.headerSize + kXmpUuid.size();
        return ReadPacketAt(file, at, box.offset + box.size - at);
    }

    OutputPlan PlanUpdate(const ByteSource& file, const std::string& packet) const override {
        BmffLayout layout = ParseBmff(file);
        std::string box = XmpBox(packet);
        std::vector<ContainerEdit> edits;
        for (int later : layout.laterXmpBoxes) {
            edits.push_back({layout.boxes[later].offset + 4, 4, "free"});
        }
        const Box& last = layout.boxes.back();
        if (layout.xmpBox >= 0) {
            const Box& old = layout.boxes[layout.xmpBox];
            if (&old == &last) {
                edits.push_back({old.offset, old.size, std::move(box)});
                return PlanWithEdits(file.Size(), std::move(edits));
            }
            if (box.size() == old.size ||
                (box.size() + 8 <= old.size && old.size - box.size() <= 0xFFFFFFFFull)) {
                // What is left of the old box becomes a "free" box; its bytes stay as they are.
                std::uint64_t rest = old.size - box.size();
                std::uint64_t replaced = box.size();
                if (rest > 0) {
                    box += BE32(static_cast<std::uint32_t>(rest)) + "free";
                    replaced += 8;
                }
                edits.push_back({old.offset, replaced, std::move(box)});
                return PlanWithEdits(file.Size(), std::move(edits));
            }
            edits.push_back({old.offset + 4, 4, "free"});
        }
        if (last.toEndOfFile) {
            // Appending after a box that runs to the end of the file needs its size written.
            if (last.size > 0xFFFFFFFFull) {
                throw XMPError(kXMPErr_BadFileFormat,
                               "Last box has no size and is too large to fix");
            }
            edits.push_back({last.offset, 4, BE32(static_cast<std::uint32_t>(last.size))});
        }
        edits.push_back({file.Size(), 0, std::move(box)});
        return PlanWithEdits(file.Size(), std::move(edits));
    }
};

bool SniffBmff(const ByteSource& file) {
    return file.Matches(4, "ftyp") && !IsQuickTimeMovie(file);
}

}  // namespace

bool IsQuickTimeMovie(const ByteSource& file) {
    if (file.Matches(4, "ftyp")) {
        return file.Matches(8, "qt  ");
    }
    // Movies from before the brand box start with their movie or media data.
    return file.Size() >= 8 && file.U32BE(0) >= 8 &&
           (file.Matches(4, "moov") || file.Matches(4, "mdat") || file.Matches(4, "wide"));
}

const HandlerEntry kBMFFHandler{{kXMP_MPEG4File, 0, 0}, SniffBmff, [](const ByteSource&) {
                                    return std::unique_ptr<FileHandler>(new BMFFHandler);
                                }};

}  // namespace xmp
