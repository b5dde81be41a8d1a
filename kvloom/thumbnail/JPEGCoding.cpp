#include "kvloom/thumbnail/JPEGCoding.h"

#include "HXJPEG.h"
#include "ThumbMetaLib/formats/jpeg/DecodeJPEG.h"
#include "ThumbMetaLib/formats/jpeg/JPEGSource.h"
#include "kvfoundation/base/KVException.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/util/Format.h"

namespace kvloom {

using ThumbMetaLib::Pixels;
using ThumbMetaLib::PixelsPtr;

namespace {

// A stored thumbnail is a small image; anything claiming more is not decoded.
constexpr size_t kMaxStoredThumbnailBytes = size_t{64} << 20;

void AppendToString(void* self, const uint8_t* data, uint32_t count, uint32_t) {
    static_cast<std::string*>(self)->append(reinterpret_cast<const char*>(data), count);
}
void Finish(void*) {}

// The handle released on every way out.
struct EncoderHandle {
    HXJPEGEncoder* encoder = nullptr;
    ~EncoderHandle() { HXJPEGEncoderRelease(encoder); }
};

// The codec checks the quality when it starts writing; a refused quality is the caller's
// error, anything else the encoder's.
[[noreturn]] void Refused(int32_t result, int32_t quality) {
    if (quality < 0 || quality > 12) {
        throw kvfoundation::base::KVIllegalArgument(kvfoundation::util::Format(
            "quality %d refused by the JPEG encoder <%d>: it takes 0..12", quality, result));
    }
    throw kvfoundation::base::KVException(
        kvfoundation::util::Format("JPEG encoding failed <%d>", result));
}

}  // namespace

std::string EncodeThumbnailJPEG(const Pixels& pixels, int32_t quality) {
    const bool grey = pixels.Channels() == 1 || pixels.Channels() == 2;  // a second is alpha
    const bool planar = pixels.Layout() == ThumbMetaLib::kLayoutPlanar;
    if (pixels.Bytes() == nullptr || pixels.Width() > 0xFFFF || pixels.Height() > 0xFFFF ||
        (!grey && pixels.Channels() < 3) || (!planar && grey && pixels.Channels() != 1)) {
        throw kvfoundation::base::KVException("JPEG encoding: pixels of an unexpected layout");
    }
    std::string out;
    HXJPEGEncodeOptions options;
    HXJPEGEncodeOptionsInitDefault(&options);
    options.quality = static_cast<uint32_t>(quality);
    EncoderHandle handle;
    int32_t result = quality < 0 ? HXJPEG_ERR_INVALID_ARGUMENT
                                 : HXJPEGEncoderCreate({&out, &AppendToString, &Finish}, options,
                                                       &handle.encoder);
    if (result != HXJPEG_OK) {
        Refused(result, quality);
    }
    HXJPEGImageContent content = {};
    content.numPlanes = grey ? 1 : 3;
    content.pixelStride = planar ? 1 : static_cast<uint32_t>(pixels.Channels());
    content.rowStride = pixels.RowBytes();
    for (int c = 0; c < content.numPlanes; ++c) {
        content.planes[c] = planar ? pixels.Plane(c) : pixels.Bytes() + c;
    }
    const HXJPEGHeader header{static_cast<uint16_t>(pixels.Width()),
                              static_cast<uint16_t>(pixels.Height()), content.numPlanes,
                              static_cast<uint32_t>(grey ? HXJPEG_COLOR_GREY : HXJPEG_COLOR_RGB)};
    result = HXJPEGEncoderWriteContent(handle.encoder, header, content);
    if (result != HXJPEG_OK) {
        Refused(result, quality);
    }
    return out;
}

PixelsPtr DecodeJPEGBytes(const std::string& bytes) {
    ThumbMetaLib::JPEGMemorySource source(reinterpret_cast<const uint8_t*>(bytes.data()),
                                          bytes.size());
    return ThumbMetaLib::DecodeJPEG(source, 0, nullptr, kMaxStoredThumbnailBytes);
}

}  // namespace kvloom
