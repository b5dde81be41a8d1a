/* The public header compiles as C11 and the shared library links and runs from C. */
#include "HXJPEG.h"

#include <stdio.h>

int main(void) {
    HXJPEGDecodeOptions options;
    HXJPEGHeader header;
    HXJPEGDecoder* decoder = NULL;
    static const uint8_t notJpeg[4] = {1, 2, 3, 4};
    HXJPEGData data = {notJpeg, sizeof notJpeg};
    int32_t result;

    if (HXJPEGLibInit() != HXJPEG_OK || HXJPEGDecodeOptionsInitDefault(&options) != HXJPEG_OK ||
        HXJPEGDecodeOptionsInitDefault(NULL) != HXJPEG_ERR_INVALID_ARGUMENT) {
        return 1;
    }
    if (HXJPEGDecoderCreateUsingData(data, options, false, NULL, &decoder) != HXJPEG_OK) {
        return 2;
    }
    result = HXJPEGDecoderReadHeader(decoder, NULL, &header);
    HXJPEGDecoderRelease(decoder);
    if (result != HXJPEG_ERR_NO_FRAME) {
        fprintf(stderr, "expected -7, got %d\n", (int)result);
        return 3;
    }
    return 0;
}
