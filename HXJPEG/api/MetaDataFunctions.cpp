// The flat functions that write metadata: APPn segments and raw marker bytes between SOI/APP14
// and the image.
#include "HXJPEG.h"
#include "HXJPEG/encoder/EncoderHandle.h"

extern "C" {

HXJPEG_API int32_t HXJPEGEncoderWriteMetaData(HXJPEGEncoder* encoder, HXJPEGMetaData segment) {
    if (encoder == nullptr || encoder->encoder == nullptr) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    return HXJPEG::GuardFlatCall([&] { return encoder->encoder->WriteMetaData(segment); });
}

HXJPEG_API int32_t HXJPEGEncoderBulkWriteMetaData(HXJPEGEncoder* encoder, const uint8_t* bytes,
                                                  uint32_t count) {
    if (encoder == nullptr || encoder->encoder == nullptr) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    return HXJPEG::GuardFlatCall([&] { return encoder->encoder->BulkWriteMetaData(bytes, count); });
}

}  // extern "C"
