// The encoder's flat functions (metadata writing is in metadata/MetaDataApi.cpp).
#include <algorithm>

#include "HXJPEG.h"
#include "HXJPEG/encoder/EncoderHandle.h"

namespace {

// HXJPEGEncoderWriteContent's source: every tile is the caller's buffer seen from the
// rectangle's corner.
struct BufferSource {
    HXJPEGImageContent content;

    static bool Begin(void*, uint32_t, uint32_t) { return true; }
    static void End(void*) {}
    static bool GetTile(void* userData, HXJPEGRect rect, HXJPEGImageContent* out) {
        const HXJPEGImageContent& whole = static_cast<BufferSource*>(userData)->content;
        *out = whole;
        const size_t offset = static_cast<size_t>(rect.left) * whole.pixelStride +
                              static_cast<size_t>(rect.top) * whole.rowStride;
        for (uint8_t*& plane : out->planes) {
            if (plane != nullptr) {
                plane += offset;
            }
        }
        return true;
    }
};

}  // namespace

extern "C" {

HXJPEG_API int32_t HXJPEGEncoderCreate(HXJPEGWriter writer, HXJPEGEncodeOptions options,
                                       HXJPEGEncoder** out) {
    if (out == nullptr) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    *out = nullptr;
    return HXJPEG::GuardFlatCall([&] {
        auto handle = std::make_unique<HXJPEGEncoder>();
        handle->encoder = std::make_unique<HXJPEG::JPEGEncoder>(writer, options);
        *out = handle.release();
        return int32_t{HXJPEG_OK};
    });
}

HXJPEG_API int32_t HXJPEGEncoderWriteTiledContent(HXJPEGEncoder* encoder, HXJPEGHeader header,
                                                  HXJPEGTiledContentReader source) {
    if (encoder == nullptr || encoder->encoder == nullptr) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    return HXJPEG::GuardFlatCall(
        [&] { return encoder->encoder->WriteTiledContent(header, source); });
}

HXJPEG_API int32_t HXJPEGEncoderWriteContent(HXJPEGEncoder* encoder, HXJPEGHeader header,
                                             HXJPEGImageContent source) {
    BufferSource buffer{source};
    HXJPEGTiledContentReader reader{&buffer, &BufferSource::Begin, &BufferSource::GetTile,
                                    &BufferSource::End};
    return HXJPEGEncoderWriteTiledContent(encoder, header, reader);
}

HXJPEG_API int32_t HXJPEGEncoderRelease(HXJPEGEncoder* encoder) {
    delete encoder;
    return HXJPEG_OK;
}

}  // extern "C"
