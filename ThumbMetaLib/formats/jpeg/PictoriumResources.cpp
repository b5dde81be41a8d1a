#include "ThumbMetaLib/formats/jpeg/PictoriumResources.h"

#include <cstring>

#include "ThumbMetaLib/formats/jpeg/JPEGLog.h"
#include "ThumbMetaLib/formats/resources/ImageResourceBlocks.h"

namespace ThumbMetaLib {
namespace {

constexpr char kSignature[] = "Pictorium 3.0";
constexpr size_t kSignatureSize = sizeof(kSignature) - 1;  // 13 bytes

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
    std::optional<ResourceThumbnail> found;
    bool empty = false;
    const char* refusal =
        WalkImageResources(data + pos, length - pos, [&](const ImageResourceBlock& block) {
            if (block.id != kResourceThumbnail && block.id != kResourceSwappedThumbnail) {
                return true;
            }
            const uint8_t* blockData = data + pos + block.dataOffset;
            if (const auto span = ThumbnailJPEGSpan(blockData, block.dataSize)) {
                found = ResourceThumbnail{pos + block.dataOffset + span->offset, span->length,
                                          block.id == kResourceSwappedThumbnail};
            } else {
                empty = true;
            }
            return false;
        });
    if (refusal != nullptr) {
        LogJPEGRefusal(refusal);
    } else if (empty) {
        LogJPEGRefusal("thumbnail resource without JPEG data");
    }
    return found;
}

}  // namespace ThumbMetaLib
