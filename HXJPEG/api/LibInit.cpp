// HXJPEGLibInit and the options defaults.
#include "HXJPEG.h"
#include "HXJPEG/common/CodecSIMD.h"

extern "C" {

// Departs on purpose from the older rule "call once before anything else": a decode before it
// used to run on empty tables and deliver all-zero samples without an error. Now nothing
// depends on it: the tables are built by the compiler and the vector code is chosen on first
// use (CodecSIMD.cpp). Calling it chooses again (VANTORY_FORCE_PORTABLE is re-read).
int32_t HXJPEGLibInit(void) {
    HXJPEG::ChooseCodecSIMD();
    return HXJPEG_OK;
}

int32_t HXJPEGLibTerminate(void) {
    return HXJPEG_OK;
}

int32_t HXJPEGDecodeOptionsInitDefault(HXJPEGDecodeOptions* options) {
    if (options == nullptr) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    options->scaleX = 1;
    options->scaleY = 1;
    return HXJPEG_OK;
}

int32_t HXJPEGEncodeOptionsInitDefault(HXJPEGEncodeOptions* options) {
    if (options == nullptr) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    options->quality = 8;
    options->scanMode = 0;
    options->bandMode = 0;
    return HXJPEG_OK;
}

int32_t HXJPEGRotateOptionsInitDefault(HXJPEGRotateOptions* options) {
    if (options == nullptr) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    options->transform = HXJPEG_TRANSFORM_CLOCKWISE;
    HXJPEGEncodeOptionsInitDefault(&options->encodeOptions);
    options->reserved = 0;
    return HXJPEG_OK;
}

}  // extern "C"
