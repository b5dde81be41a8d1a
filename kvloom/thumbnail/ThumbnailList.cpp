#include "kvloom/thumbnail/ThumbnailList.h"

#include "ThumbMetaLib/resample/Resample.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVMutableList.h"
#include "kvloom/thumbnail/ThumbnailMap.h"

namespace kvloom {

using ThumbMetaLib::PixelsPtr;

PixelsPtr FitWithKernels(const PixelsPtr& pixels, int32_t size) {
    PixelsPtr scaled =
        ThumbMetaLib::ScaleToFit(*pixels, static_cast<uint32_t>(size), ThumbMetaLib::kScaleKernels);
    return scaled ? scaled : pixels;
}

kvfoundation::data::IKVList* MakeThumbnailList(const PixelsPtr& pixels,
                                               const std::vector<int32_t>& sizes, int32_t quality) {
    kvfoundation::data::IKVMutableList* list =
        kvfoundation::data::CreateMutableList(static_cast<int32_t>(sizes.size()));
    PixelsPtr previous = pixels;
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (i > 0) {
            previous = FitWithKernels(previous, sizes[i]);
        }
        list->AddObject(EncodeThumbnailMap(*previous, quality));
    }
    return list;
}

}  // namespace kvloom
