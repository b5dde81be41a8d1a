#include "ThumbMetaLib/formats/jpeg/EmbeddedThumbnail.h"

#include "ThumbMetaLib/formats/jpeg/DecodeJPEG.h"
#include "ThumbMetaLib/formats/jpeg/JPEGSource.h"
#include "ThumbMetaLib/pixels/BitmapConversion.h"

namespace ThumbMetaLib {

PixelsPtr DecodeEmbeddedThumbnail(const MarkerScanResult& scan) {
    if (scan.thumbnail.empty()) {
        return nullptr;
    }
    JPEGMemorySource source(scan.thumbnail.data(), scan.thumbnail.size());
    PixelsPtr pixels = DecodeJPEG(source, 0, nullptr, kMaxEmbeddedThumbnailBytes);
    if (pixels != nullptr && scan.swapChannels && pixels->Mode() == kModeRGB) {
        SwapFirstAndThirdBytes(*pixels);
    }
    return pixels;
}

}  // namespace ThumbMetaLib
