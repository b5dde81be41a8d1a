#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace ThumbMetaLib {

// The Exif APP1 payload: a six-byte header ("Exif", "Meta" or "META", then two zero bytes)
// and a TIFF structure. Offsets inside it count from the start of the TIFF structure.
inline constexpr size_t kExifHeaderSize = 6;

// True when the payload begins with one of the three headers.
bool IsExifSegment(const uint8_t* data, size_t length);

// Where the embedded JPEG thumbnail lies within the payload (tags 0x201 offset, 0x202 length).
struct ExifThumbnailSpan {
    size_t offset;  // from the start of the payload
    size_t length;
};

// Looks through the directory chain and the Exif directory for the thumbnail tags; null when
// there is no thumbnail or it does not lie wholly within the payload.
std::optional<ExifThumbnailSpan> FindExifThumbnail(const uint8_t* data, size_t length);

// The colour facts an Exif segment records, and the image's orientation.
struct ExifColorInfo {
    uint16_t colorSpace = 0;    // tag 0xA001 of the Exif directory (1 = sRGB)
    uint16_t interopIndex = 0;  // 1 for "R03", 2 for "R98", 0 for anything else or none
    uint16_t orientation = 0;   // TIFF tag 274 of the first directory (1-8), 0 when absent
};

// Null when the payload is not a readable Exif segment.
std::optional<ExifColorInfo> ReadExifColorInfo(const uint8_t* data, size_t length);

}  // namespace ThumbMetaLib
