#include "ThumbMetaLib/video/FrameScaler.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstring>
#include <memory>

#include "ThumbMetaLib/pixels/PixelsRotation.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib::video {
namespace {

// An enum field of FFmpeg's read as the int it is stored in: decoders keep a stream's raw code
// in some (MPEG-2 and H.264 any matrix number up to 255), and loading such a value as the enum is
// undefined.
template <typename Enum>
int RawCode(const Enum& field) {
    static_assert(sizeof(Enum) == sizeof(int));
    int code = 0;
    std::memcpy(&code, &field, sizeof(code));
    return code;
}

// libswscale's name for the YCbCr matrix a frame records; its default (BT.601) when the frame
// records none or one unknown, as FFmpeg's own tools assume.
int SwsColorspace(int space) {
    switch (space) {
        case AVCOL_SPC_BT709:
            return SWS_CS_ITU709;
        case AVCOL_SPC_FCC:
            return SWS_CS_FCC;
        case AVCOL_SPC_SMPTE240M:
            return SWS_CS_SMPTE240M;
        case AVCOL_SPC_BT2020_NCL:
        case AVCOL_SPC_BT2020_CL:
            return SWS_CS_BT2020;
        default:
            return SWS_CS_DEFAULT;
    }
}

// Tells the scaler the frame's matrix and, when the frame says so, its full range (the
// "yuvj" formats are full range already).
void DescribeSource(SwsContext* scaler, const AVFrame& frame) {
    const AVPixFmtDescriptor* descriptor =
        av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    if (descriptor == nullptr || (descriptor->flags & AV_PIX_FMT_FLAG_RGB) != 0 ||
        descriptor->nb_components < 3) {
        return;
    }
    int* inverse = nullptr;
    int* table = nullptr;
    int sourceRange = 0, destinationRange = 0, brightness = 0, contrast = 0, saturation = 0;
    if (sws_getColorspaceDetails(scaler, &inverse, &sourceRange, &table, &destinationRange,
                                 &brightness, &contrast, &saturation) < 0) {
        return;
    }
    if (RawCode(frame.color_range) == AVCOL_RANGE_JPEG) {
        sourceRange = 1;
    }
    sws_setColorspaceDetails(scaler, sws_getCoefficients(SwsColorspace(RawCode(frame.colorspace))),
                             sourceRange, table, destinationRange, brightness, contrast,
                             saturation);
}

// The frame's own transparency is not kept: every pixel becomes opaque, as a thumbnail is.
void MakeOpaque(Pixels& pixels) {
    for (uint32_t y = 0; y < pixels.Height(); ++y) {
        uint8_t* row = pixels.Bytes() + size_t(y) * pixels.RowBytes();
        for (uint32_t x = 0; x < pixels.Width(); ++x) {
            row[size_t(x) * 4 + 3] = 255;
        }
    }
}

// Left to right, in place: the flip costs no second buffer, unlike a turn.
void MirrorRows(Pixels& pixels) {
    const size_t pixel = size_t(pixels.Channels());
    for (uint32_t y = 0; y < pixels.Height(); ++y) {
        uint8_t* left = pixels.Bytes() + size_t(y) * pixels.RowBytes();
        uint8_t* right = left + (size_t(pixels.Width()) - 1) * pixel;
        for (; left < right; left += pixel, right -= pixel) {
            std::swap_ranges(left, left + pixel, right);
        }
    }
}

// libswscale's vector code writes whole blocks of output pixels, so a row may be overrun by
// up to a block past its last pixel, and the last row past the buffer's end: into our own heap
// (a fuzz finding, RGBA bytes over the allocator's next header). It writes into rows of an
// aligned stride with room after the last one, and the pixels are copied from there.
constexpr size_t kScaledRowAlign = 64;
constexpr size_t kScaledTailBytes = 256;

struct AVFreeDeleter {
    void operator()(uint8_t* bytes) const { av_free(bytes); }
};

}  // namespace

PixelsPtr FrameScaler::Convert(const AVFrame& frame, const FrameGeometry& geometry) {
    const auto format = static_cast<AVPixelFormat>(frame.format);
    if (geometry.width == 0 || geometry.height == 0 || sws_isSupportedInput(format) <= 0) {
        kvfoundation::util::LogFormat(
            3, "Video: frames of pixel format %s are not converted",
            av_get_pix_fmt_name(format) ? av_get_pix_fmt_name(format) : "(none)");
        return nullptr;
    }
    SwsContext* scaler = sws_getCachedContext(
        scaler_.release(), frame.width, frame.height, format, int(geometry.width),
        int(geometry.height), AV_PIX_FMT_RGBA, SWS_BICUBIC, nullptr, nullptr, nullptr);
    scaler_.reset(scaler);
    if (scaler == nullptr) {
        return nullptr;
    }
    DescribeSource(scaler, frame);
    PixelsPtr pixels =
        Pixels::Create(geometry.width, geometry.height, 4, kModeRGB, kLayoutInterleaved, true);
    if (!pixels || pixels->Bytes() == nullptr) {
        return nullptr;
    }
    const size_t rowBytes = size_t(geometry.width) * 4;
    const size_t stride = (rowBytes + kScaledRowAlign - 1) / kScaledRowAlign * kScaledRowAlign;
    const std::unique_ptr<uint8_t, AVFreeDeleter> scaled(
        static_cast<uint8_t*>(av_malloc(stride * geometry.height + kScaledTailBytes)));
    if (!scaled) {
        return nullptr;
    }
    uint8_t* planes[4] = {scaled.get(), nullptr, nullptr, nullptr};
    int strides[4] = {static_cast<int>(stride), 0, 0, 0};
    if (sws_scale(scaler, frame.data, frame.linesize, 0, frame.height, planes, strides) !=
        int(geometry.height)) {
        return nullptr;
    }
    for (uint32_t y = 0; y < geometry.height; ++y) {
        std::memcpy(pixels->Bytes() + size_t(y) * pixels->RowBytes(), scaled.get() + y * stride,
                    rowBytes);
    }
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
    if (descriptor != nullptr && (descriptor->flags & AV_PIX_FMT_FLAG_ALPHA) != 0) {
        MakeOpaque(*pixels);
    }
    if (geometry.orientation.mirrored) {
        MirrorRows(*pixels);
    }
    return RotateClockwise(pixels, geometry.orientation.rotation);
}

}  // namespace ThumbMetaLib::video
