// The APPn path of an untrusted file: a metadata handler that takes the segments picked by
// the last two bytes reads the header and (for small images) the content, then writes every
// segment it took into a new file with the encoder.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "HXJPEG.h"

namespace {

struct Collector {
    uint16_t wanted = 0;  // bit n: take APPn
    std::vector<std::vector<uint8_t>> segments;
    std::vector<uint8_t> indices;
    std::vector<bool> complete;

    static void Begin(void* self, uint8_t appIndex, uint16_t length, uint8_t** buffer) {
        auto* c = static_cast<Collector*>(self);
        if (appIndex < 16 && (c->wanted >> appIndex) & 1) {
            c->segments.emplace_back(length);
            c->indices.push_back(appIndex);
            c->complete.push_back(false);
            // A zero-length segment still gets a valid (one-byte) buffer.
            c->segments.back().reserve(1);
            *buffer = c->segments.back().data();
        }
    }
    static void End(void* self, uint8_t appIndex, uint16_t length, uint8_t* buffer, bool done) {
        auto* c = static_cast<Collector*>(self);
        if (c->segments.empty() || c->indices.back() != appIndex ||
            c->segments.back().size() != length || c->segments.back().data() != buffer) {
            __builtin_trap();  // end must match the begin that supplied the buffer
        }
        c->complete.back() = done;
    }
};

void Discard(void*, const uint8_t*, uint32_t, uint32_t) {}
void Finish(void*) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool initialised = HXJPEGLibInit() == 0;
    (void)initialised;
    // Large photos among the seeds take seconds under the sanitizers; small inputs explore
    // the parser just as well.
    if (size < 3 || size > (1u << 18)) {
        return 0;
    }
    Collector collector;
    collector.wanted = static_cast<uint16_t>(data[size - 2] | (data[size - 1] << 8));
    HXJPEGMetaDataHandler handler{&collector, &Collector::Begin, &Collector::End};
    HXJPEGDecoder* decoder = nullptr;
    if (HXJPEGDecoderCreateUsingData(HXJPEGData{data, static_cast<uint32_t>(size - 2)},
                                     HXJPEGDecodeOptions{1, 1}, true, nullptr, &decoder) != 0) {
        return 0;
    }
    HXJPEGHeader header{};
    if (HXJPEGDecoderReadHeader(decoder, &handler, &header) == 0 &&
        uint32_t{header.width} * header.height <= 1u << 20) {
        // Segments between the scans of a multi-scan file reach the handler here.
        std::vector<uint8_t> pixels(size_t{header.width} * header.height * 4 + 1);
        HXJPEGImageContent content{};
        for (int c = 0; c < 4; ++c) {
            content.planes[c] = pixels.data() + c;
        }
        content.pixelStride = 4;
        content.rowStride = uint32_t{header.width} * 4;
        content.numPlanes = 4;
        HXJPEGDecoderReadContent(decoder, HXJPEG_COLOR_RGBX, content);
    }
    HXJPEGDecoderRelease(decoder);

    HXJPEGEncoder* encoder = nullptr;
    if (HXJPEGEncoderCreate(HXJPEGWriter{nullptr, &Discard, &Finish}, HXJPEGEncodeOptions{8, 0, 0},
                            &encoder) != 0) {
        return 0;
    }
    for (size_t i = 0; i < collector.segments.size(); ++i) {
        const std::vector<uint8_t>& segment = collector.segments[i];
        HXJPEGEncoderWriteMetaData(
            encoder, HXJPEGMetaData{segment.data(), static_cast<uint16_t>(segment.size()),
                                    collector.indices[i]});
    }
    HXJPEGEncoderRelease(encoder);
    return 0;
}
