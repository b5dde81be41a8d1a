#include "ThumbMetaLib/formats/layered/DocumentResources.h"

#include "ThumbMetaLib/formats/layered/LayeredLimits.h"
#include "ThumbMetaLib/formats/resources/ImageResourceBlocks.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib {
namespace {

constexpr int kDebug = 4;

uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// ResolutionInfo: horizontal resolution as 16.16 fixed point in pixels per inch first.
double ReadResolution(const uint8_t* data, size_t size) {
    return size >= 4 ? Get32(data) / 65536.0 : 0;
}

// VersionInfo: a 32-bit version, then the "has real merged data" byte.
std::optional<bool> ReadHasRealMergedData(const uint8_t* data, size_t size) {
    if (size < 5) {
        return std::nullopt;
    }
    return data[4] != 0;
}

}  // namespace

DocumentResources ReadDocumentResources(RasterSource& source, const SectionSpan& section,
                                        bool wantThumbnail) {
    DocumentResources found;
    if (section.length == 0) {
        return found;
    }
    if (section.length > kMaxResourceSectionBytes) {
        kvfoundation::util::LogFormat(kDebug, "Layered: image resources of %llu bytes skipped",
                                      static_cast<unsigned long long>(section.length));
        return found;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(section.length));
    if (!source.ReadAt(section.offset, bytes.data(), bytes.size())) {
        return found;
    }
    const uint8_t* base = bytes.data();
    bool thumbnailSeen = false;
    const char* refusal =
        WalkImageResources(base, bytes.size(), [&](const ImageResourceBlock& block) {
            const uint8_t* data = base + block.dataOffset;
            switch (block.id) {
                case kResourceICCProfile:
                    found.iccProfile.assign(data, data + block.dataSize);
                    break;
                case kResourceXMP:
                    found.xmpPacket.assign(reinterpret_cast<const char*>(data), block.dataSize);
                    break;
                case kResourceResolution:
                    found.resolution = ReadResolution(data, block.dataSize);
                    break;
                case kResourceVersionInfo:
                    found.hasRealMergedData = ReadHasRealMergedData(data, block.dataSize);
                    break;
                case kResourceThumbnail:
                case kResourceSwappedThumbnail: {
                    // The first thumbnail wins; writers store one or the other.
                    const auto span = ThumbnailJPEGSpan(data, block.dataSize);
                    if (!thumbnailSeen && span && span->length <= kMaxStoredThumbnailBytes) {
                        thumbnailSeen = true;
                        found.thumbnailSwapped = block.id == kResourceSwappedThumbnail;
                        if (wantThumbnail) {
                            found.thumbnailJPEG.assign(data + span->offset,
                                                       data + span->offset + span->length);
                        }
                    }
                    break;
                }
                default:
                    break;
            }
            return true;
        });
    if (refusal != nullptr) {
        kvfoundation::util::LogFormat(kDebug, "Layered: %s", refusal);
    }
    return found;
}

}  // namespace ThumbMetaLib
