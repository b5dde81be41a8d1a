#include "ThumbMetaLib/formats/resources/ImageResourceBlocks.h"

#include <cstring>

namespace ThumbMetaLib {
namespace {

// The thumbnail resource's header before its JPEG data: format, width, height, row bytes,
// total size, compressed size (32 bits each), bits per pixel and planes (16 bits each).
constexpr size_t kThumbnailHeaderSize = 28;
constexpr size_t kCompressedSizeField = 20;

uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

bool IsResourceSignature(const uint8_t* p) {
    for (const char* signature : {"8BIM", "MeSa", "AgHg", "PHUT", "DCSR"}) {
        if (std::memcmp(p, signature, 4) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

const char* WalkImageResources(const uint8_t* data, size_t length,
                               const std::function<bool(const ImageResourceBlock&)>& visit) {
    size_t pos = 0;
    // Every block takes at least 12 bytes, so the walk ends within the data.
    while (pos + 7 <= length && IsResourceSignature(data + pos)) {
        const uint16_t id = uint16_t(data[pos + 4] << 8 | data[pos + 5]);
        const size_t nameSize = (size_t{data[pos + 6]} + 2) & ~size_t{1};
        const size_t sizePos = pos + 6 + nameSize;
        if (sizePos + 4 > length) {
            return "image resource name past the end";
        }
        const uint64_t dataSize = Get32(data + sizePos);
        const size_t dataPos = sizePos + 4;
        if (dataSize > length - dataPos) {
            return "image resource length past the end";
        }
        if (!visit(ImageResourceBlock{id, dataPos, size_t(dataSize)})) {
            return nullptr;
        }
        pos = dataPos + size_t(dataSize + (dataSize & 1));
    }
    return nullptr;
}

std::optional<ByteSpan> ThumbnailJPEGSpan(const uint8_t* resourceData, size_t size) {
    if (size <= kThumbnailHeaderSize) {
        return std::nullopt;
    }
    const uint64_t available = size - kThumbnailHeaderSize;
    const uint64_t compressed = Get32(resourceData + kCompressedSizeField);
    // A compressed size of 0 or beyond the block: take what the block holds.
    const uint64_t jpegSize = compressed != 0 && compressed <= available ? compressed : available;
    return ByteSpan{kThumbnailHeaderSize, size_t(jpegSize)};
}

}  // namespace ThumbMetaLib
