#include "ThumbMetaLib/formats/layered/StoredThumbnail.h"

#include "ThumbMetaLib/formats/jpeg/DecodeJPEG.h"
#include "ThumbMetaLib/formats/jpeg/JPEGSource.h"
#include "ThumbMetaLib/formats/layered/LayeredLimits.h"
#include "ThumbMetaLib/pixels/BitmapConversion.h"

namespace ThumbMetaLib {

PixelsPtr DecodeStoredThumbnail(const DocumentResources& resources) {
    if (resources.thumbnailJPEG.empty()) {
        return nullptr;
    }
    JPEGMemorySource source(resources.thumbnailJPEG.data(), resources.thumbnailJPEG.size());
    PixelsPtr pixels = DecodeJPEG(source, 0, nullptr, kMaxStoredThumbnailBytes);
    if (pixels != nullptr && resources.thumbnailSwapped && pixels->Mode() == kModeRGB) {
        SwapFirstAndThirdBytes(*pixels);
    }
    return pixels;
}

}  // namespace ThumbMetaLib
