// The packet scanner: for files no smart handler knows, find the first UTF-8 packet between
// "<?xpacket begin=" and its "<?xpacket end=…?>". It can neither add a packet nor grow one:
// an update overwrites the old packet's bytes exactly, and only when the old packet says
// end="w" and the new one fits by adjusting its whitespace padding.
#include <algorithm>
#include <vector>

#include "XMPError.h"
#include "handlers/FileHandler.h"
#include "handlers/PlanEdits.h"
#include "util/PacketText.h"

namespace xmp {
namespace {

constexpr std::string_view kBegin = "<?xpacket begin=";
constexpr std::string_view kEnd = "<?xpacket end=";
// Limited scanning looks at this much of the head and of the tail, where the packets of text
// formats (EPS, PostScript, SVG) sit.
constexpr std::uint64_t kLimitedSpan = 16u * 1024 * 1024;
constexpr std::uint64_t kWindow = 1u << 20;

std::optional<std::uint64_t> FindInFile(const ByteSource& file, std::string_view needle,
                                        std::uint64_t from, std::uint64_t to) {
    to = std::min(to, file.Size());
    std::string window;
    for (std::uint64_t at = from; at < to && to - at >= needle.size();) {
        std::uint64_t n = std::min(kWindow, to - at);
        window.resize(static_cast<std::size_t>(n));
        file.ReadAt(at, window.data(), window.size());
        std::size_t hit = window.find(needle);
        if (hit != std::string::npos) {
            return at + hit;
        }
        if (at + n >= to) {
            break;
        }
        at += n - (needle.size() - 1);
    }
    return std::nullopt;
}

struct PacketSpan {
    std::uint64_t offset;
    std::uint64_t length;
};

std::optional<PacketSpan> FindPacketFrom(const ByteSource& file, std::uint64_t from,
                                         std::uint64_t to) {
    while (auto begin = FindInFile(file, kBegin, from, to)) {
        std::uint64_t limit = std::min(file.Size(), *begin + kMaxPacketBytes);
        auto end = FindInFile(file, kEnd, *begin, limit);
        if (!end) {
            return std::nullopt;
        }
        auto close = FindInFile(file, "?>", *end + kEnd.size(), std::min(limit, *end + 64));
        if (close) {
            return PacketSpan{*begin, *close + 2 - *begin};
        }
        // Every other "begin" before this broken trailer would meet it too: go past it, so a
        // file of many openings costs one pass, not one per opening.
        from = *end + kEnd.size();
    }
    return std::nullopt;
}

class PacketScanner final : public FileHandler {
public:
    explicit PacketScanner(bool wholeFile) : wholeFile_(wholeFile) {}

    XMP_FileFormat Format() const override { return kXMP_UnknownFile; }
    XMP_OptionBits HandlerFlags() const override {
        return kXMPFiles_InPlaceOnly | kXMPFiles_IsPacketScanner;
    }

    std::optional<FoundPacket> ReadXMP(const ByteSource& file) const override {
        auto span = Find(file);
        if (!span) {
            return std::nullopt;
        }
        FoundPacket found = ReadPacketAt(file, span->offset, span->length);
        found.info.writeable = HasWriteableTrailer(found.packet);
        return found;
    }

    OutputPlan PlanUpdate(const ByteSource& file, const std::string& packet) const override {
        auto found = ReadXMP(file);
        if (!found) {
            throw XMPError(kXMPErr_BadParam,
                           "The file has no packet, and the packet scanner cannot add one");
        }
        if (!found->info.writeable) {
            throw XMPError(kXMPErr_BadParam, "The packet in the file is read-only (end=\"r\")");
        }
        std::string fitted = FitPacketToLength(packet, found->packet.size());
        std::vector<ContainerEdit> edits;
        edits.push_back(
            {static_cast<std::uint64_t>(found->info.offset), fitted.size(), std::move(fitted)});
        return PlanWithEdits(file.Size(), std::move(edits));
    }

private:
    std::optional<PacketSpan> Find(const ByteSource& file) const {
        std::uint64_t size = file.Size();
        if (wholeFile_ || size <= 2 * kLimitedSpan) {
            return FindPacketFrom(file, 0, size);
        }
        if (auto head = FindPacketFrom(file, 0, kLimitedSpan)) {
            return head;
        }
        return FindPacketFrom(file, size - kLimitedSpan, size);
    }

    bool wholeFile_;
};

}  // namespace

std::unique_ptr<FileHandler> MakePacketScanner(bool wholeFile) {
    return std::make_unique<PacketScanner>(wholeFile);
}

}  // namespace xmp
