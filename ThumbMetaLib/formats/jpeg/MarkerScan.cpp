#include "ThumbMetaLib/formats/jpeg/MarkerScan.h"

#include "ThumbMetaLib/formats/jpeg/ExifSegment.h"
#include "ThumbMetaLib/formats/jpeg/JPEGLog.h"
#include "ThumbMetaLib/formats/jpeg/PictoriumResources.h"

namespace ThumbMetaLib {
namespace {

constexpr uint8_t kSOI = 0xD8;
constexpr uint8_t kEOI = 0xD9;
constexpr uint8_t kSOS = 0xDA;
constexpr uint8_t kAPP1 = 0xE1;
constexpr uint8_t kAPP13 = 0xED;

bool IsFrameHeader(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xC3;
}

// Markers that stand alone, without a length (JPEG Annex B.1.1.3).
bool IsStandalone(uint8_t marker) {
    return marker == 0x01 || marker == kSOI || (marker >= 0xD0 && marker <= 0xD7);
}

void TakeThumbnail(uint8_t marker, const std::vector<uint8_t>& payload, MarkerScanResult& result) {
    const uint8_t* data = payload.data();
    if (marker == kAPP1) {
        if (const auto span = FindExifThumbnail(data, payload.size())) {
            result.thumbnail.assign(data + span->offset, data + span->offset + span->length);
        }
    } else if (const auto resource = FindResourceThumbnail(data, payload.size())) {
        result.thumbnail.assign(data + resource->offset,
                                data + resource->offset + resource->length);
        result.swapChannels = resource->swapChannels;
    }
}

}  // namespace

MarkerScanResult ScanMarkers(const ReadAtFunction& readAt) {
    MarkerScanResult result;
    uint8_t bytes[5];
    if (!readAt(0, bytes, 2) || bytes[0] != 0xFF || bytes[1] != kSOI) {
        return result;
    }
    uint64_t pos = 2;
    std::vector<uint8_t> payload;
    for (size_t markers = 0; markers < kMaxScannedMarkers; ++markers) {
        if (!readAt(pos, bytes, 2) || bytes[0] != 0xFF) {
            break;
        }
        const uint8_t marker = bytes[1];
        if (marker == 0xFF) {
            pos += 1;  // a fill byte before the marker
            continue;
        }
        pos += 2;
        if (IsStandalone(marker)) {
            continue;
        }
        if (marker == kEOI || marker == kSOS || !readAt(pos, bytes, 2)) {
            break;
        }
        const uint32_t length = uint32_t(bytes[0] << 8 | bytes[1]);
        if (length < 2) {
            LogJPEGRefusal("segment length below its own two bytes");
            break;
        }
        if (IsFrameHeader(marker)) {
            // Precision, then height and width.
            if (readAt(pos + 2, bytes, 5)) {
                result.frameFound = true;
                result.height = uint32_t(bytes[1] << 8 | bytes[2]);
                result.width = uint32_t(bytes[3] << 8 | bytes[4]);
            }
            break;
        }
        // An empty segment holds nothing to read (and its payload buffer has no storage).
        const bool candidate =
            (marker == kAPP1 && length - 2 > kExifHeaderSize) || (marker == kAPP13 && length > 2);
        if (candidate && result.thumbnail.empty()) {
            payload.resize(length - 2);
            if (!readAt(pos + 2, payload.data(), payload.size())) {
                LogJPEGRefusal("segment past the end of the file");
                break;
            }
            TakeThumbnail(marker, payload, result);
        }
        pos += length;
    }
    return result;
}

}  // namespace ThumbMetaLib
