// HXJPEGLibInit and the options defaults.
#include <cstdlib>
#include <cstring>

#include "HXJPEG.h"
#include "HXJPEG/decoder/ColorConverter.h"
#include "HXJPEG/decoder/IDCT.h"
#include "HXJPEG/encoder/EncoderSIMD.h"

namespace {

bool PortablePathForced() {
    const char* value = std::getenv("VANTORY_FORCE_PORTABLE");
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

bool ProcessorHasSSE2() {
#if defined(__x86_64__) || defined(__i386__)
    return __builtin_cpu_supports("sse2");
#else
    return false;
#endif
}

}  // namespace

extern "C" {

int32_t HXJPEGLibInit(void) {
    HXJPEG::BuildColorTables();
    bool sse2 = ProcessorHasSSE2() && !PortablePathForced();
    HXJPEG::SelectIDCT(sse2);
    HXJPEG::SelectColorSIMD(sse2);
    HXJPEG::SelectEncoderSIMD(sse2);
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
