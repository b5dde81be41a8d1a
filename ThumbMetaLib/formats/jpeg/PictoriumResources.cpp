#include "ThumbMetaLib/formats/jpeg/PictoriumResources.h"

#include <cstring>

#include "ThumbMetaLib/formats/jpeg/JPEGLog.h"

namespace ThumbMetaLib {
namespace {

constexpr char kSignature[] = "Pictorium 3.0";
constexpr size_t kSignatureSize = sizeof(kSignature) - 1;  // 13 bytes
constexpr uint16_t kThumbnailResource = 1036;
constexpr uint16_t kSwappedThumbnailResource = 1033;
// The thumbnail resource's own header before its JPEG data: format, width, height, row bytes,
// total size, compressed size (32 bits each), bits per pixel and planes (16 bits each).
constexpr size_t kThumbnailHeaderSize = 28;
constexpr size_t kCompressedSizeField = 20;

uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

}  // namespace

bool IsPictoriumSegment(const uint8_t* data, size_t length) {
    return data != nullptr && length >= kSignatureSize &&
           std::memcmp(data, kSignature, kSignatureSize) == 0;
}

std::optional<ResourceThumbnail> FindResourceThumbnail(const uint8_t* data, size_t length) {
    if (!IsPictoriumSegment(data, length)) {
        return std::nullopt;
    }
    size_t pos = kSignatureSize;
    if (pos < length && data[pos] == 0) {
        ++pos;  // the signature's terminating zero
    }
    // Every block takes at least 12 bytes, so the walk ends within the segment.
    while (pos + 4 <= length && std::memcmp(data + pos, "8BIM", 4) == 0) {
        if (pos + 7 > length) {
            break;
        }
        const uint16_t id = uint16_t(data[pos + 4] << 8 | data[pos + 5]);
        // Pascal name: a length byte and the name, padded to an even total.
        const size_t nameSize = (size_t{data[pos + 6]} + 2) & ~size_t{1};
        const size_t sizePos = pos + 6 + nameSize;
        if (sizePos + 4 > length) {
            LogJPEGRefusal("image resource name past the segment");
            return std::nullopt;
        }
        const uint64_t dataSize = Get32(data + sizePos);
        const size_t dataPos = sizePos + 4;
        if (dataPos + dataSize > length) {
            LogJPEGRefusal("image resource length past the segment");
            return std::nullopt;
        }
        if (id == kThumbnailResource || id == kSwappedThumbnailResource) {
            if (dataSize <= kThumbnailHeaderSize) {
                LogJPEGRefusal("thumbnail resource without JPEG data");
                return std::nullopt;
            }
            const uint64_t available = dataSize - kThumbnailHeaderSize;
            const uint64_t compressed = Get32(data + dataPos + kCompressedSizeField);
            // A compressed size of 0 or beyond the block: take what the block holds.
            const uint64_t jpegSize =
                compressed != 0 && compressed <= available ? compressed : available;
            return ResourceThumbnail{dataPos + kThumbnailHeaderSize, size_t(jpegSize),
                                     id == kSwappedThumbnailResource};
        }
        pos = dataPos + size_t(dataSize + (dataSize & 1));
    }
    return std::nullopt;
}

}  // namespace ThumbMetaLib
