// MP3: the packet is the data of an ID3v2 (version 3 or 4) "PRIV" frame owned by "XMP". An
// update rebuilds the tag: every other frame copied as it is, the new frame added, padded to
// the old tag's size when it fits so the audio does not move; a file without a tag gets one.
#include <vector>

#include "XMPError.h"
#include "handlers/PlanEdits.h"
#include "handlers/SmartHandlers.h"

namespace xmp {
namespace {

constexpr std::string_view kOwner{"XMP\0", 4};
constexpr std::uint32_t kMaxTagSize = (1u << 28) - 1;  // a 28-bit synchsafe size
constexpr std::uint32_t kNewTagPadding = 1024;
constexpr std::uint32_t kMaxKeptPadding = 64 * 1024;

std::uint32_t SynchsafeAt(const ByteSource& file, std::uint64_t at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        std::uint8_t b = file.U8(at + i);
        if (b & 0x80) {
            throw XMPError(kXMPErr_BadFileFormat, "ID3 size is not synchsafe");
        }
        value = value << 7 | b;
    }
    return value;
}

std::string Synchsafe(std::uint32_t v) {
    return {static_cast<char>(v >> 21 & 0x7F), static_cast<char>(v >> 14 & 0x7F),
            static_cast<char>(v >> 7 & 0x7F), static_cast<char>(v & 0x7F)};
}

struct Frame {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;  // with its header
};

struct Id3Layout {
    bool hasTag = false;
    std::uint8_t major = 3;
    std::uint64_t tagEnd = 0;      // where the audio starts
    std::uint32_t framesRoom = 0;  // bytes of the old tag after its header
    std::vector<Frame> frames;     // all frames but the XMP ones
    bool hasXmp = false;
    std::uint64_t xmpOffset = 0;
    std::uint64_t xmpLength = 0;
};

Id3Layout ParseId3(const ByteSource& file) {
    Id3Layout layout;
    if (!file.Matches(0, "ID3")) {
        return layout;  // a bare MPEG stream
    }
    layout.hasTag = true;
    layout.major = file.U8(3);
    std::uint8_t flags = file.U8(5);
    std::uint32_t size = SynchsafeAt(file, 6);
    layout.framesRoom = size;
    layout.tagEnd = 10 + std::uint64_t{size} + ((layout.major == 4 && (flags & 0x10)) ? 10 : 0);
    if (layout.tagEnd > file.Size()) {
        throw XMPError(kXMPErr_BadFileFormat, "ID3 tag runs past the file");
    }
    if (layout.major != 3 && layout.major != 4) {
        throw XMPError(kXMPErr_BadFileFormat,
                       "ID3v2." + std::to_string(layout.major) + " is not supported");
    }
    if (flags & 0x80) {
        throw XMPError(kXMPErr_BadFileFormat, "Unsynchronised ID3 tags are not supported");
    }
    if (flags & 0x10) {
        throw XMPError(kXMPErr_BadFileFormat, "ID3 tags with a footer are not supported");
    }
    std::uint64_t pos = 10;
    std::uint64_t end = 10 + std::uint64_t{size};
    if (flags & 0x40) {  // extended header
        std::uint32_t extended = layout.major == 4 ? SynchsafeAt(file, pos) : file.U32BE(pos) + 4;
        pos += extended;
    }
    while (pos + 10 <= end && file.U8(pos) != 0) {  // a zero byte starts the padding
        std::string id = file.Read(pos, 4);
        std::uint64_t frameSize =
            layout.major == 4 ? SynchsafeAt(file, pos + 4) : file.U32BE(pos + 4);
        std::uint8_t format = file.U8(pos + 9);
        std::uint64_t data = pos + 10;
        if (data + frameSize > end) {
            throw XMPError(kXMPErr_BadFileFormat, "ID3 frame '" + id + "' runs past its tag");
        }
        bool isXmp = id == "PRIV" && frameSize >= kOwner.size() && file.Matches(data, kOwner);
        if (isXmp && !layout.hasXmp) {
            bool encoded = layout.major == 4 ? (format & 0x0F) != 0 : (format & 0xE0) != 0;
            if (encoded) {
                throw XMPError(kXMPErr_BadFileFormat,
                               "Compressed or encrypted XMP frame is not supported");
            }
            layout.hasXmp = true;
            layout.xmpOffset = data + kOwner.size();
            layout.xmpLength = frameSize - kOwner.size();
        } else if (!isXmp) {  // further XMP frames are not kept by an update

            layout.frames.push_back({pos, 10 + frameSize});
        }
        pos = data + frameSize;
    }
    return layout;
}

class MP3Handler final : public FileHandler {
public:
    XMP_FileFormat Format() const override { return kXMP_MP3File; }
    XMP_OptionBits HandlerFlags() const override {
        return kXMPFiles_CanInjectXMP | kXMPFiles_CanExpand | kXMPFiles_CanRewrite;
    }

    std::optional<FoundPacket> ReadXMP(const ByteSource& file) const override {
        Id3Layout layout = ParseId3(file);
        if (!layout.hasXmp) {
            return std::nullopt;
        }
        return ReadPacketAt(file, layout.xmpOffset, layout.xmpLength);
    }

    OutputPlan PlanUpdate(const ByteSource& file, const std::string& packet) const override {
        Id3Layout layout = ParseId3(file);
        std::uint32_t dataSize = static_cast<std::uint32_t>(kOwner.size() + packet.size());
        std::string frame = "PRIV" + (layout.major == 4 ? Synchsafe(dataSize) : BE32(dataSize)) +
                            std::string(2, '\0') + std::string(kOwner) + packet;
        std::uint64_t frames = frame.size();
        for (const Frame& f : layout.frames) {
            frames += f.size;
        }
        // Keep the old size when the frames fit and the padding stays modest.
        bool keepSize =
            frames <= layout.framesRoom && layout.framesRoom - frames <= kMaxKeptPadding;
        std::uint64_t room = keepSize ? layout.framesRoom : frames + kNewTagPadding;
        if (room > kMaxTagSize) {
            throw XMPError(kXMPErr_BadFileFormat, "ID3 tag would exceed its size limit");
        }
        OutputPlan plan;
        plan.Insert(std::string("ID3") + static_cast<char>(layout.major) + std::string(2, '\0') +
                    Synchsafe(static_cast<std::uint32_t>(room)));
        for (const Frame& f : layout.frames) {
            plan.Copy(f.offset, f.size);
        }
        plan.Insert(std::move(frame));
        plan.Insert(std::string(static_cast<std::size_t>(room - frames), '\0'));
        plan.Copy(layout.tagEnd, file.Size() - layout.tagEnd);
        return plan;
    }
};

bool SniffMp3(const ByteSource& file) {
    return file.Matches(0, "ID3") ||
           (file.Size() >= 2 && file.U8(0) == 0xFF && (file.U8(1) & 0xE0) == 0xE0);
}

}  // namespace

const HandlerEntry kMP3Handler{{kXMP_MP3File, 0, 0}, SniffMp3, [](const ByteSource&) {
                                   return std::unique_ptr<FileHandler>(new MP3Handler);
                               }};

}  // namespace xmp
