#include "ThumbMetaLib/color/ColorTransform.h"

#include "ThumbMetaLib/color/HuekoException.h"

namespace ThumbMetaLib {

std::shared_ptr<const ColorTransform> ColorTransform::Create(const ColorProfile& source,
                                                             cmsUInt32Number inputFormat,
                                                             const ColorProfile& destination,
                                                             cmsUInt32Number outputFormat) {
    cmsUInt32Number flags = cmsFLAGS_NOCACHE;
    if (T_EXTRA(inputFormat) != 0 && T_EXTRA(outputFormat) != 0) {
        flags |= cmsFLAGS_COPY_ALPHA;  // the fourth byte of an interleaved pixel rides along
    }
    cmsHTRANSFORM handle = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(ColorEngineLock());
        handle = cmsCreateTransform(source.Handle(), inputFormat, destination.Handle(),
                                    outputFormat, INTENT_PERCEPTUAL, flags);
    }
    if (handle == nullptr) {
        throw HuekoException(kHuekoNoTransform);
    }
    return std::shared_ptr<const ColorTransform>(new ColorTransform(handle));
}

ColorTransform::~ColorTransform() {
    std::lock_guard<std::recursive_mutex> guard(ColorEngineLock());
    cmsDeleteTransform(handle_);
}

void ColorTransform::Apply(const uint8_t* in, uint8_t* out, uint32_t width, uint32_t height,
                           size_t inRowBytes, size_t outRowBytes, size_t inPlaneBytes,
                           size_t outPlaneBytes) const {
    cmsDoTransformLineStride(
        handle_, in, out, width, height, static_cast<cmsUInt32Number>(inRowBytes),
        static_cast<cmsUInt32Number>(outRowBytes), static_cast<cmsUInt32Number>(inPlaneBytes),
        static_cast<cmsUInt32Number>(outPlaneBytes));
}

}  // namespace ThumbMetaLib
