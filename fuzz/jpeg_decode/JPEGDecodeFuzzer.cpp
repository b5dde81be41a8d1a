// Header and content decoding of arbitrary bytes, in every output colour space, at full and
// one-eighth size, with warnings fatal or continued. Every delivered sample is summed so that
// uninitialised output shows under the sanitizers, and a decode that succeeds must have
// delivered exactly the rows and columns its header promised, band after band from the top.
// The decoder runs under the fuzzing limits, and a full-size header beyond them must not pass.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "HXJPEG.h"
#include "fuzz/common/JPEGFuzzCaps.h"

namespace {

struct Sink {
    std::vector<uint8_t> band;
    uint32_t channels = 4;
    uint32_t bandHeight = 0;
    uint32_t width = 0;
    uint32_t rowsDelivered = 0;
    uint64_t sum = 0;

    static bool Begin(void* self, uint32_t bandHeight, uint32_t width) {
        auto* s = static_cast<Sink*>(self);
        s->bandHeight = bandHeight;
        s->width = width;
        s->band.assign(size_t(bandHeight) * width * s->channels, 0);
        return true;
    }
    static bool GetTile(void* self, HXJPEGRect rect, HXJPEGImageContent* out) {
        auto* s = static_cast<Sink*>(self);
        // Bands arrive in order, full width, no taller than announced.
        if (rect.top != s->rowsDelivered || rect.left != 0 || rect.width != s->width ||
            rect.height == 0 || rect.height > s->bandHeight) {
            __builtin_trap();
        }
        *out = {};
        for (uint32_t i = 0; i < s->channels; ++i) {
            out->planes[i] = s->band.data() + i;
        }
        out->pixelStride = s->channels;
        out->rowStride = uint32_t(rect.width) * s->channels;
        out->numPlanes = uint8_t(s->channels);
        return true;
    }
    static bool PutTile(void* self, HXJPEGRect rect, HXJPEGImageContent) {
        auto* s = static_cast<Sink*>(self);
        size_t n = size_t(rect.height) * rect.width * s->channels;
        for (size_t i = 0; i < n && i < s->band.size(); ++i) {
            s->sum += s->band[i];
        }
        s->rowsDelivered += rect.height;
        return true;
    }
    static void End(void*) {}
};

bool Continue(void*, int32_t) {
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool initialised = (HXJPEGLibInit(), true);
    (void)initialised;
    if (size < 1) {
        return 0;
    }
    // The last byte and the size choose the decode, so that whole files serve as seeds.
    static const uint32_t kSpaces[8] = {0, 1, 2, 4, 5, 6, 3, 1};
    uint8_t choice = uint8_t(data[size - 1] ^ size);
    uint32_t colorSpace = kSpaces[choice & 7];
    bool reduced = (choice & 8) != 0;
    bool reportWarnings = (choice & 16) != 0;

    HXJPEGDecodeOptions options = {uint8_t(reduced ? 8 : 1), 1};
    HXJPEGWarningHandler handler = {nullptr, Continue};
    HXJPEGDecoder* decoder =
        vantory::fuzz::CreateCappedDecoder(data, size, options, reportWarnings, &handler);
    if (decoder == nullptr) {
        return 0;
    }
    HXJPEGHeader header;
    if (HXJPEGDecoderReadHeader(decoder, nullptr, &header) == 0) {
        if (!reduced &&
            uint64_t{header.width} * header.height > vantory::fuzz::kMaxFuzzFramePixels) {
            __builtin_trap();  // the frame limit let a larger frame through
        }
        Sink sink;
        const int32_t result = HXJPEGDecoderReadTiledContent(
            decoder, colorSpace, {&sink, Sink::Begin, Sink::GetTile, Sink::PutTile, Sink::End});
        if (result == 0 && (sink.width != header.width || sink.rowsDelivered != header.height)) {
            __builtin_trap();  // a successful decode delivered another size than its header
        }
        volatile uint64_t keep = sink.sum;
        (void)keep;
    }
    HXJPEGDecoderRelease(decoder);
    return 0;
}
