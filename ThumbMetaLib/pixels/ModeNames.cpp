#include "ThumbMetaLib/pixels/ModeNames.h"

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

const char* ModeName(int32_t mode) {
    switch (mode) {
        case kModeBitmap:
            return "Bitmap";
        case kModeGrayscale:
            return "Grayscale";
        case kModeIndexed:
            return "Indexed";
        case kModeCMYK:
            return "CMYK";
        case kModeMultichannel:
            return "Multichannel";
        case kModeDuotone:
            return "Duotone";
        case kModeLab:
            return "Lab";
        default:
            return "RGB";
    }
}

}  // namespace ThumbMetaLib
