#include "tools/render3d/TextureImage.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "HXJPEG.h"
#include "tools/render3d/InputLimits.h"

namespace render3d {
namespace {

struct DecoderReleaser {
    void operator()(HXJPEGDecoder* decoder) const { HXJPEGDecoderRelease(decoder); }
};

std::optional<TextureImage> DecodeJPEGTexture(const std::string& bytes) {
    if (bytes.size() > UINT32_MAX) {
        return std::nullopt;
    }
    HXJPEGDecodeOptions options;
    HXJPEGDecodeOptionsInitDefault(&options);
    HXJPEGDecoder* raw = nullptr;
    const HXJPEGData data{reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size())};
    if (HXJPEGDecoderCreateUsingData(data, options, true, nullptr, &raw) != HXJPEG_OK) {
        return std::nullopt;
    }
    std::unique_ptr<HXJPEGDecoder, DecoderReleaser> decoder(raw);
    HXJPEGDecodeLimits limits;
    HXJPEGDecodeLimitsInitDefault(&limits);
    limits.maxFramePixels = uint32_t(kMaxTexturePixels);
    HXJPEGHeader header{};
    if (HXJPEGDecoderSetLimits(decoder.get(), &limits) != HXJPEG_OK ||
        HXJPEGDecoderReadHeader(decoder.get(), nullptr, &header) != HXJPEG_OK ||
        header.width == 0 || header.height == 0 ||
        uint64_t(header.width) * header.height > kMaxTexturePixels) {
        return std::nullopt;
    }
    TextureImage image;
    image.width = header.width;
    image.height = header.height;
    image.rgba.resize(size_t(image.width) * image.height * 4);
    HXJPEGImageContent target{};
    for (int i = 0; i < 4; ++i) {
        target.planes[i] = image.rgba.data() + i;
    }
    target.pixelStride = 4;
    target.rowStride = image.width * 4;
    target.numPlanes = 4;
    // Grey and CMYK files come out as RGB too: RGBX asks the codec for the conversion.
    if (HXJPEGDecoderReadContent(decoder.get(), HXJPEG_COLOR_RGBX, target) != HXJPEG_OK) {
        return std::nullopt;
    }
    return image;
}

std::optional<TextureImage> DecodePNGTexture(const std::string& bytes) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
        return std::nullopt;
    }
    if (png.width == 0 || png.height == 0 || uint64_t(png.width) * png.height > kMaxTexturePixels) {
        png_image_free(&png);
        return std::nullopt;
    }
    png.format = PNG_FORMAT_RGBA;
    TextureImage image;
    image.width = png.width;
    image.height = png.height;
    image.rgba.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
        png_image_free(&png);
        return std::nullopt;
    }
    return image;
}

// Nearest-sample reduction by a whole factor: textures only tint a small thumbnail.
void LimitSide(TextureImage& image) {
    const uint32_t step =
        (std::max(image.width, image.height) + kMaxTextureSide - 1) / kMaxTextureSide;
    if (step <= 1) {
        return;
    }
    TextureImage reduced;
    reduced.width = std::max(1u, image.width / step);
    reduced.height = std::max(1u, image.height / step);
    reduced.rgba.resize(size_t(reduced.width) * reduced.height * 4);
    for (uint32_t y = 0; y < reduced.height; ++y) {
        for (uint32_t x = 0; x < reduced.width; ++x) {
            std::memcpy(&reduced.rgba[(size_t(y) * reduced.width + x) * 4],
                        &image.rgba[(size_t(y) * step * image.width + size_t(x) * step) * 4], 4);
        }
    }
    image = std::move(reduced);
}

}  // namespace

std::optional<TextureImage> DecodeTexture(const std::string& bytes) {
    std::optional<TextureImage> image;
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xD8) {
        image = DecodeJPEGTexture(bytes);
    } else if (bytes.size() >= 8 &&
               png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8) == 0) {
        image = DecodePNGTexture(bytes);
    }
    if (image) {
        LimitSide(*image);
    }
    return image;
}

}  // namespace render3d
