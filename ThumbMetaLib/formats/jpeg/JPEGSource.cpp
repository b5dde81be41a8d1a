#include "ThumbMetaLib/formats/jpeg/JPEGSource.h"

#include <limits>

namespace ThumbMetaLib {

std::unique_ptr<HXJPEG::Decoder> JPEGMemorySource::NewDecoder(HXJPEGDecodeOptions options) {
    if (size_ > std::numeric_limits<uint32_t>::max()) {
        throw HXJPEG::Exception(HXJPEG_ERR_INVALID_ARGUMENT);
    }
    // Warnings are reported to no handler, so a damaged file still yields what it holds.
    return std::make_unique<HXJPEG::Decoder>(HXJPEGData{data_, uint32_t(size_)}, options, true);
}

}  // namespace ThumbMetaLib
