#include "tools/vantory/JpegToRgb.h"

#include "HXJPEG.h"

namespace vantory::cli {
namespace {

// The codec's decoder handle, released when it goes.
class DecoderHandle {
public:
    ~DecoderHandle() { HXJPEGDecoderRelease(decoder_); }
    HXJPEGDecoder** Out() { return &decoder_; }
    HXJPEGDecoder* Get() const { return decoder_; }

private:
    HXJPEGDecoder* decoder_ = nullptr;
};

}  // namespace

std::optional<RgbImage> DecodeJpeg(const uint8_t* bytes, size_t size) {
    if (bytes == nullptr || size == 0 || size > UINT32_MAX) {
        return std::nullopt;
    }
    HXJPEGDecodeOptions options;
    HXJPEGDecodeOptionsInitDefault(&options);
    DecoderHandle decoder;
    HXJPEGHeader header{};
    if (HXJPEGDecoderCreateUsingData(HXJPEGData{bytes, uint32_t(size)}, options, false, nullptr,
                                     decoder.Out()) != 0 ||
        HXJPEGDecoderReadHeader(decoder.Get(), nullptr, &header) != 0 || header.width == 0 ||
        header.height == 0) {
        return std::nullopt;
    }
    RgbImage image;
    image.width = header.width;
    image.height = header.height;
    image.rgb.resize(size_t(image.width) * image.height * 3);
    HXJPEGImageContent target{};
    for (int c = 0; c < 3; ++c) {
        target.planes[c] = image.rgb.data() + c;
    }
    target.pixelStride = 3;
    target.rowStride = image.width * 3;
    target.numPlanes = 3;
    if (HXJPEGDecoderReadContent(decoder.Get(), HXJPEG_COLOR_RGB, target) != 0) {
        return std::nullopt;
    }
    return image;
}

}  // namespace vantory::cli
