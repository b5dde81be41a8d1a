// JPEG: the packet is the payload of an APP1 segment that starts with the XMP namespace; a
// packet too large for one segment continues as "extended XMP" in further APP1 segments, each
// naming the MD5 of the whole extended part (its GUID), its full length and its offset.
#include <algorithm>
#include <vector>

#include "XMPError.h"
#include "handlers/PlanEdits.h"
#include "handlers/SmartHandlers.h"
#include "util/Checksums.h"
#include "util/PacketText.h"

namespace xmp {
namespace {

constexpr std::string_view kStandardSignature{"http://ns.adobe.com/xap/1.0/\0", 29};
constexpr std::string_view kExtendedSignature{"http://ns.adobe.com/xmp/extension/\0", 35};
constexpr std::uint64_t kMaxSegmentPayload = 65533;  // 65535 minus the length field
// One segment holds 65504 packet bytes; the published limit for the standard packet is 65502,
// and readers written to it are why a larger packet goes to the extended part.
constexpr std::uint64_t kMaxStandardPacket = 65502;
constexpr std::uint64_t kExtendedHeader = kExtendedSignature.size() + 32 + 4 + 4;
constexpr std::uint64_t kMaxExtendedChunk = kMaxSegmentPayload - kExtendedHeader;
constexpr std::size_t kMaxExtendedChunks = 4096;

struct ExtendedChunk {
    std::uint64_t segmentOffset;  // payload start of the segment
    std::uint64_t payloadLength;
};

struct JpegLayout {
    bool hasStandard = false;
    std::uint64_t standardOffset = 0;  // packet bytes
    std::uint64_t standardLength = 0;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> xmpSegments;  // whole segments to drop
    std::vector<ExtendedChunk> extended;
    std::uint64_t insertAt = 2;  // after SOI and the leading APP0/APP1 segments
    bool junkBetweenSegments = false;
};

bool IsStandalone(std::uint8_t marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

// Walks the segments from SOI to the first scan (or EOI); everything after is entropy-coded
// data and trailing segments, copied untouched by an update.
JpegLayout ParseJpeg(const ByteSource& file) {
    if (file.U16BE(0) != 0xFFD8) {
        throw XMPError(kXMPErr_BadFileFormat, "Not a JPEG file (no SOI marker)");
    }
    JpegLayout layout;
    bool leadingRun = true;
    std::uint64_t pos = 2;
    while (pos < file.Size()) {
        if (file.U8(pos) != 0xFF) {
            // Tolerated on reading (we look for the next marker); an update refuses the file.
            layout.junkBetweenSegments = true;
            pos = file.Find(pos, 0xFF);
            continue;
        }
        std::uint64_t markerPos = pos;
        while (pos < file.Size() && file.U8(pos) == 0xFF) {
            ++pos;
        }
        std::uint8_t marker = file.U8(pos);
        ++pos;
        if (marker == 0xDA || marker == 0xD9) {
            break;
        }
        if (IsStandalone(marker)) {
            continue;
        }
        std::uint16_t length = file.U16BE(pos);
        if (length < 2 || pos + length > file.Size()) {
            throw XMPError(kXMPErr_BadFileFormat, "JPEG segment length runs past the file");
        }
        std::uint64_t payload = pos + 2;
        std::uint64_t payloadLength = length - 2u;
        std::uint64_t end = pos + length;
        bool isXmp = false;
        if (marker == 0xE1 && file.Matches(payload, kStandardSignature)) {
            if (!layout.hasStandard) {
                layout.hasStandard = true;
                layout.standardOffset = payload + kStandardSignature.size();
                layout.standardLength = payloadLength - kStandardSignature.size();
            }
            isXmp = true;
        } else if (marker == 0xE1 && payloadLength >= kExtendedHeader &&
                   file.Matches(payload, kExtendedSignature)) {
            if (layout.extended.size() >= kMaxExtendedChunks) {
                throw XMPError(kXMPErr_BadFileFormat, "Too many extended XMP segments");
            }
            layout.extended.push_back({payload, payloadLength});
            isXmp = true;
        }
        if (isXmp) {
            layout.xmpSegments.emplace_back(markerPos, end - markerPos);
        }
        bool keepsLeadingRun = marker == 0xE0 || (marker == 0xE1 && !isXmp);
        if (leadingRun && keepsLeadingRun) {
            layout.insertAt = end;
        } else if (!isXmp) {
            leadingRun = false;
        }
        pos = end;
    }
    return layout;
}

// The extended part, when every byte of it is present and its MD5 matches the GUID.
std::string AssembleExtended(const ByteSource& file, const JpegLayout& layout,
                             const std::string& guid) {
    if (guid.size() != 32) {
        return {};
    }
    std::string whole;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> pieces;
    std::uint32_t fullLength = 0;
    for (const ExtendedChunk& chunk : layout.extended) {
        std::uint64_t at = chunk.segmentOffset + kExtendedSignature.size();
        if (!file.Matches(at, guid)) {
            continue;
        }
        std::uint32_t length = file.U32BE(at + 32);
        std::uint32_t offset = file.U32BE(at + 36);
        std::uint64_t dataLength = chunk.payloadLength - kExtendedHeader;
        // The whole part is present in the file, so it is never longer than the file.
        if (length == 0 || length > kMaxPacketBytes || length > file.Size() ||
            (fullLength != 0 && length != fullLength) ||
            std::uint64_t{offset} + dataLength > length) {
            return {};
        }
        if (fullLength == 0) {
            fullLength = length;
            whole.assign(length, '\0');
        }
        file.ReadAt(chunk.segmentOffset + kExtendedHeader, whole.data() + offset, dataLength);
        pieces.emplace_back(offset, dataLength);
    }
    std::sort(pieces.begin(), pieces.end());
    std::uint64_t covered = 0;
    for (auto [offset, length] : pieces) {
        if (offset > covered) {
            return {};
        }
        covered = std::max(covered, offset + length);
    }
    if (fullLength == 0 || covered != fullLength || Md5Hex(whole) != guid) {
        return {};
    }
    return whole;
}

std::string Segment(std::string_view payload) {
    return "\xFF\xE1" + BE16(static_cast<std::uint32_t>(payload.size() + 2)) + std::string(payload);
}

std::string ExtendedMainPacket(const std::string& guid) {
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
           "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
           "rdf:about=\"\" "
           "xmlns:xmpNote=\"http://ns.adobe.com/xmp/note/\" xmpNote:HasExtendedXMP=\"" +
           guid + "\"/></rdf:RDF></x:xmpmeta>\n<?xpacket end=\"w\"?>";
}

// The APP1 segments that carry `packet`: one, or (when it is too large) a small main packet
// naming the whole packet as the extended part, followed by the extended chunks.
std::string XmpSegments(const std::string& packet) {
    if (packet.size() <= kMaxStandardPacket) {
        return Segment(std::string(kStandardSignature) + packet);
    }
    std::string extended = StripPacketWrapper(packet);
    std::string guid = Md5Hex(extended);
    std::string out = Segment(std::string(kStandardSignature) + ExtendedMainPacket(guid));
    for (std::uint64_t at = 0; at < extended.size(); at += kMaxExtendedChunk) {
        std::string payload = std::string(kExtendedSignature) + guid +
                              BE32(static_cast<std::uint32_t>(extended.size())) +
                              BE32(static_cast<std::uint32_t>(at)) +
                              extended.substr(at, kMaxExtendedChunk);
        out += Segment(payload);
    }
    return out;
}

class JPEGHandler final : public FileHandler {
public:
    XMP_FileFormat Format() const override { return kXMP_JPEGFile; }
    XMP_OptionBits HandlerFlags() const override {
        return kXMPFiles_CanInjectXMP | kXMPFiles_CanExpand | kXMPFiles_CanRewrite;
    }

    std::optional<FoundPacket> ReadXMP(const ByteSource& file) const override {
        JpegLayout layout = ParseJpeg(file);
        if (!layout.hasStandard) {
            return std::nullopt;
        }
        FoundPacket found = ReadPacketAt(file, layout.standardOffset, layout.standardLength);
        if (auto guid = ExtendedXMPReference(found.packet)) {
            found.extended = AssembleExtended(file, layout, *guid);
        }
        return found;
    }

    OutputPlan PlanUpdate(const ByteSource& file, const std::string& packet) const override {
        JpegLayout layout = ParseJpeg(file);
        if (layout.junkBetweenSegments) {
            throw XMPError(kXMPErr_BadFileFormat, "JPEG has bytes between segments; not rewritten");
        }
        if (packet.size() > kMaxPacketBytes) {
            throw XMPError(kXMPErr_TooLargeForJPEG, "XMP packet too large for JPEG");
        }
        std::vector<ContainerEdit> edits;
        for (auto [offset, length] : layout.xmpSegments) {
            edits.push_back({offset, length, {}});
        }
        // The new segments go where the first removed one was, or after the leading APPn run.
        std::uint64_t insertAt = layout.xmpSegments.empty()
                                     ? layout.insertAt
                                     : std::min(layout.insertAt, layout.xmpSegments.front().first);
        edits.push_back({insertAt, 0, XmpSegments(packet)});
        return PlanWithEdits(file.Size(), std::move(edits));
    }
};

bool SniffJpeg(const ByteSource& file) {
    return file.Matches(0, "\xFF\xD8\xFF");
}

}  // namespace

const HandlerEntry kJPEGHandler{{kXMP_JPEGFile, 0, 0}, SniffJpeg, [](const ByteSource&) {
                                    return std::unique_ptr<FileHandler>(new JPEGHandler);
                                }};

}  // namespace xmp
