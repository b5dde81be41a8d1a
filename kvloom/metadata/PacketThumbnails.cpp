#include "kvloom/metadata/PacketThumbnails.h"

#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVMutableList.h"
#include "kvloom/thumbnail/JPEGCoding.h"
#include "kvloom/thumbnail/PixelsRotation.h"
#include "kvloom/thumbnail/ThumbnailList.h"
#include "kvloom/thumbnail/ThumbnailMap.h"

namespace kvloom {

namespace data = kvfoundation::data;
using ThumbMetaLib::PixelsPtr;

namespace {

// Re-encoded packet thumbnails use the service's default quality.
constexpr int32_t kPacketThumbnailQuality = 7;

data::IKVMap* FittedEntry(const PixelsPtr& pixels, int32_t size, int32_t rotation) {
    PixelsPtr turned = RotateClockwise(FitWithKernels(pixels, size), rotation);
    return turned ? EncodeThumbnailMap(*turned, kPacketThumbnailQuality) : nullptr;
}

struct TallestItems {
    PacketThumbnail jpeg;
    PacketThumbnail gif;
};

// A later item replaces the kept one of its format only when it is taller.
TallestItems FindTallestItems(const xmp::TXMPMeta& tree) {
    TallestItems tallest;
    for (int32_t index = 1;; ++index) {
        PacketThumbnail item = ReadPacketThumbnail(tree, kThumbnailsArray, index);
        if (!item.found) {
            break;
        }
        PacketThumbnail* kept = item.format == "JPEG"   ? &tallest.jpeg
                                : item.format == "AGIF" ? &tallest.gif
                                                        : nullptr;
        if (kept != nullptr && (!kept->found || item.height > kept->height)) {
            *kept = std::move(item);
        }
    }
    if (!tallest.jpeg.found) {
        PacketThumbnail page = ReadPacketThumbnail(tree, kPageInfoArray, 1);
        if (page.found && page.format == "JPEG") {
            tallest.jpeg = std::move(page);
        }
    }
    return tallest;
}

}  // namespace

data::IKVList* MakePacketThumbnailList(const xmp::TXMPMeta& tree,
                                       const PacketThumbnailSizes& sizes) {
    const TallestItems tallest = FindTallestItems(tree);
    kvfoundation::base::IKVType* entries[2] = {data::Null(), data::Null()};
    if (tallest.gif.found) {
        entries[0] = MakeThumbnailMap(tallest.gif);
    }
    if (tallest.jpeg.found) {
        const int32_t rotation = PacketRotation(tree);
        if (tallest.jpeg.Side() <= sizes.small && rotation == 0) {
            entries[1] = MakeThumbnailMap(tallest.jpeg);
        } else if (PixelsPtr decoded = DecodeJPEGBytes(tallest.jpeg.image)) {
            const int32_t side =
                static_cast<int32_t>(std::max(decoded->Width(), decoded->Height()));
            if (!tallest.gif.found && side > sizes.small) {
                if (data::IKVMap* large = FittedEntry(decoded, sizes.large, rotation)) {
                    entries[0] = large;
                }
            }
            if (data::IKVMap* small = FittedEntry(decoded, sizes.small, rotation)) {
                entries[1] = small;
            }
        }
    }
    return data::CreateList(2, entries);
}

PacketThumbnail ChooseStoredThumbnail(const xmp::TXMPMeta& tree, int32_t size) {
    PacketThumbnail choice;
    for (int32_t index = 1;; ++index) {
        PacketThumbnail item = ReadPacketThumbnail(tree, kThumbnailsArray, index);
        if (!item.found) {
            break;
        }
        if (item.format != "JPEG") {
            continue;
        }
        if (!choice.found) {
            choice = std::move(item);
            continue;
        }
        if (item.Side() == size) {
            return item;
        }
        const bool bothLarger = item.Side() > size && choice.Side() > size;
        if (bothLarger ? item.Side() < choice.Side() : item.Side() > choice.Side()) {
            choice = std::move(item);
        }
    }
    if (!choice.found) {
        choice = ReadPacketThumbnail(tree, kPageInfoArray, 1);
    }
    return choice;
}

}  // namespace kvloom
