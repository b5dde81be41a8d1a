// The APPn path of an untrusted file: a metadata handler that takes the segments picked by
// the last two bytes reads the header and (for tiny images) the content, then, for small
// inputs, writes every segment it took into a new file with the encoder. Read back, that file
// must hand over the same segments with the same bytes, after the encoder's own APP14.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "HXJPEG.h"
#include "fuzz/common/CollectedJPEG.h"
#include "fuzz/common/JPEGFuzzCaps.h"

namespace {

// The write-back check encodes and decodes a file of its own: it was a quarter of each run.
// Segment handling does not depend on the input's length, so the check keeps to inputs the
// fuzzer makes cheaply (about half of the seeds), where a wrong segment shows as well.
constexpr size_t kWriteBackMaxInput = 4096;

// The content is decoded for the segments between scans only: a frame of 64 x 64 holds as many
// scans as a large one, at a quarter of the decoding of the general cap.
constexpr uint64_t kContentMaxPixels = 64 * 64;

struct Segment {
    uint8_t appIndex;
    std::vector<uint8_t> bytes;
    bool complete = false;
    bool operator==(const Segment& other) const {
        return appIndex == other.appIndex && bytes == other.bytes;
    }
};

struct Collector {
    uint16_t wanted = 0;  // bit n: take APPn
    std::vector<Segment> segments;

    HXJPEGMetaDataHandler Handler() { return {this, &Begin, &End}; }

    static void Begin(void* self, uint8_t appIndex, uint16_t length, uint8_t** buffer) {
        auto* c = static_cast<Collector*>(self);
        if (appIndex < 16 && (c->wanted >> appIndex) & 1) {
            c->segments.push_back(Segment{appIndex, std::vector<uint8_t>(length)});
            // A zero-length segment still gets a valid (one-byte) buffer.
            c->segments.back().bytes.reserve(1);
            *buffer = c->segments.back().bytes.data();
        }
    }
    static void End(void* self, uint8_t appIndex, uint16_t length, uint8_t* buffer, bool done) {
        auto* c = static_cast<Collector*>(self);
        if (c->segments.empty() || c->segments.back().appIndex != appIndex ||
            c->segments.back().bytes.size() != length ||
            c->segments.back().bytes.data() != buffer) {
            __builtin_trap();  // end must match the begin that supplied the buffer
        }
        c->segments.back().complete = done;
    }
};

// Whether the bytes hold a second start-of-scan marker (entropy-coded data never holds FF DA).
bool HasSecondScan(const uint8_t* data, size_t size) {
    int scans = 0;
    for (size_t i = 1; i < size && scans < 2; ++i) {
        scans += data[i - 1] == 0xFF && data[i] == 0xDA;
    }
    return scans >= 2;
}

// Reads the header of `bytes` with a handler that takes every segment.
std::vector<Segment> ReadAllSegments(const std::vector<uint8_t>& bytes) {
    Collector collector;
    collector.wanted = 0xFFFF;
    HXJPEGMetaDataHandler handler = collector.Handler();
    HXJPEGDecoder* decoder = nullptr;
    HXJPEGHeader header{};
    if (HXJPEGDecoderCreateUsingData(HXJPEGData{bytes.data(), static_cast<uint32_t>(bytes.size())},
                                     HXJPEGDecodeOptions{1, 1}, false, nullptr, &decoder) != 0 ||
        HXJPEGDecoderReadHeader(decoder, &handler, &header) != 0) {
        __builtin_trap();  // the encoder's own file must read back
    }
    HXJPEGDecoderRelease(decoder);
    return std::move(collector.segments);
}

// Writes the segments and a small grey image after them, then reads the segments back.
void CheckSegmentsWriteBack(const std::vector<Segment>& taken) {
    if (taken.empty()) {
        return;  // nothing to compare, and the encoder is the dearest part of a run
    }
    vantory::fuzz::CollectedJPEG output;
    HXJPEGEncoder* encoder = nullptr;
    if (HXJPEGEncoderCreate(output.Writer(), HXJPEGEncodeOptions{8, 0, 0}, &encoder) != 0) {
        return;
    }
    std::vector<Segment> written;
    for (const Segment& segment : taken) {
        const int32_t result = HXJPEGEncoderWriteMetaData(
            encoder, HXJPEGMetaData{segment.bytes.data(),
                                    static_cast<uint16_t>(segment.bytes.size()), segment.appIndex});
        if (result == 0) {
            written.push_back(segment);
        }
    }
    uint8_t grey[8 * 8] = {};
    HXJPEGImageContent content{{grey}, 1, 8, 1};
    const int32_t result =
        HXJPEGEncoderWriteContent(encoder, HXJPEGHeader{8, 8, 1, HXJPEG_COLOR_GREY}, content);
    HXJPEGEncoderRelease(encoder);
    if (result != 0) {
        __builtin_trap();
    }
    std::vector<Segment> read = ReadAllSegments(output.bytes);
    // The first segment is the encoder's APP14.
    if (read.empty() || read.front().appIndex != 14 ||
        !std::equal(read.begin() + 1, read.end(), written.begin(), written.end())) {
        __builtin_trap();  // a segment changed between the encoder and the decoder
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool initialised = HXJPEGLibInit() == 0;
    (void)initialised;
    if (size < 3) {
        return 0;
    }
    Collector collector;
    collector.wanted = static_cast<uint16_t>(data[size - 2] | (data[size - 1] << 8));
    HXJPEGMetaDataHandler handler = collector.Handler();
    HXJPEGDecoder* decoder = vantory::fuzz::CreateCappedDecoder(
        data, size - 2, HXJPEGDecodeOptions{1, 1}, true, nullptr);
    if (decoder == nullptr) {
        return 0;
    }
    HXJPEGHeader header{};
    if (HXJPEGDecoderReadHeader(decoder, &handler, &header) == 0 &&
        uint64_t{header.width} * header.height <= kContentMaxPixels &&
        HasSecondScan(data, size - 2)) {
        // Segments between the scans of a multi-scan file reach the handler here; a file of
        // one scan has none, and its content is the decode target's business. The pixels are
        // left uninitialised: the decoder writes them and nothing reads them.
        std::unique_ptr<uint8_t[]> pixels(
            new uint8_t[size_t{header.width} * header.height * 4 + 1]);
        HXJPEGImageContent content{};
        for (int c = 0; c < 4; ++c) {
            content.planes[c] = pixels.get() + c;
        }
        content.pixelStride = 4;
        content.rowStride = uint32_t{header.width} * 4;
        content.numPlanes = 4;
        HXJPEGDecoderReadContent(decoder, HXJPEG_COLOR_RGBX, content);
    }
    HXJPEGDecoderRelease(decoder);
    if (size <= kWriteBackMaxInput) {
        CheckSegmentsWriteBack(collector.segments);
    }
    return 0;
}
