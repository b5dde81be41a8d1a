// The flat function of the lossless transforms.
#include "HXJPEG.h"
#include "HXJPEG/api/FlatCallGuard.h"
#include "HXJPEG/rotate/RotateImage.h"

extern "C" {

HXJPEG_API int32_t HXJPEGRotateImage(HXJPEGReader reader, HXJPEGWriter writer,
                                     HXJPEGRotateOptions options) {
    if (options.transform > HXJPEG_TRANSFORM_ANTICLOCKWISE) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    return HXJPEG::GuardFlatCall([&] { return HXJPEG::RotateImage(reader, writer, options); });
}

}  // extern "C"
