// Lossless rotation of untrusted files: the last byte picks the transform and the scan mode,
// the rest is the file. The codec's own output of a small image must come back byte for byte
// after a full circle (four quarter turns one way, or two half turns), which catches a block
// put in the wrong place or a coefficient changed on the way.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "HXJPEG.h"
#include "fuzz/common/CollectedJPEG.h"
#include "fuzz/common/JPEGFuzzCaps.h"

namespace {

struct Input {
    const uint8_t* data;
    size_t size;
    size_t position = 0;
    static bool Skip(void* self, uint32_t count) {
        auto* in = static_cast<Input*>(self);
        if (count > in->size - in->position) {
            return false;
        }
        in->position += count;
        return true;
    }
    static bool Read(void* self, uint8_t* buffer, uint32_t count, uint32_t* got) {
        auto* in = static_cast<Input*>(self);
        const size_t n = count < in->size - in->position ? count : in->size - in->position;
        if (n != 0) {
            std::memcpy(buffer, in->data + in->position, n);
        }
        in->position += n;
        *got = static_cast<uint32_t>(n);
        return in->position < in->size;
    }
    static void Release(void*) {}
};

int32_t Rotate(const uint8_t* data, size_t size, const HXJPEGRotateOptions& options,
               std::vector<uint8_t>* rotated) {
    Input input{data, size};
    vantory::fuzz::CollectedJPEG output;
    const int32_t result =
        HXJPEGRotateImage(HXJPEGReader{&input, &Input::Skip, &Input::Read, &Input::Release},
                          output.Writer(), options);
    *rotated = std::move(output.bytes);
    return result;
}

// The circle is five to nine rotations; only small images make it, so that it stays cheap.
constexpr uint64_t kMaxCirclePixels = 32 * 32;

bool SmallEnoughForCircle(const std::vector<uint8_t>& jpeg) {
    HXJPEGDecoder* decoder = nullptr;
    if (HXJPEGDecoderCreateUsingData(HXJPEGData{jpeg.data(), static_cast<uint32_t>(jpeg.size())},
                                     HXJPEGDecodeOptions{1, 1}, false, nullptr, &decoder) != 0) {
        return false;
    }
    HXJPEGHeader header{};
    const bool small = HXJPEGDecoderReadHeader(decoder, nullptr, &header) == 0 &&
                       uint64_t{header.width} * header.height <= kMaxCirclePixels;
    HXJPEGDecoderRelease(decoder);
    return small;
}

// Turns the codec's own output a full circle with `turn` and expects the same bytes back.
void CheckFullCircle(const std::vector<uint8_t>& start, HXJPEGRotateOptions options,
                     uint32_t turn) {
    options.transform = turn;
    const int steps = turn == HXJPEG_TRANSFORM_180 ? 2 : 4;
    std::vector<uint8_t> current = start;
    for (int step = 0; step < steps; ++step) {
        std::vector<uint8_t> next;
        const int32_t result = Rotate(current.data(), current.size(), options, &next);
        if (result == HXJPEG_ERR_TRANSFORM_SIZE) {
            return;  // a turned image may end off the MCU grid of the next turn
        }
        if (result != 0) {
            __builtin_trap();  // the codec could not read back an image it wrote itself
        }
        current = std::move(next);
    }
    if (current != start) {
        __builtin_trap();  // a full circle changed the image
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool initialised = HXJPEGLibInit() == 0;
    (void)initialised;
    if (size < 2 || !vantory::fuzz::WithinFuzzCaps(data, size - 1)) {
        return 0;
    }
    const uint8_t control = data[size - 1];
    HXJPEGRotateOptions options;
    HXJPEGRotateOptionsInitDefault(&options);
    options.transform = control & 3;
    options.encodeOptions.scanMode = (control >> 2) & 3;
    options.encodeOptions.bandMode = (control >> 4) & 3;
    std::vector<uint8_t> rotated;
    if (Rotate(data, size - 1, options, &rotated) != 0 || !SmallEnoughForCircle(rotated)) {
        return 0;
    }
    // The two top bits pick the circle: clockwise, half turns or anticlockwise.
    static const uint32_t kTurns[4] = {HXJPEG_TRANSFORM_CLOCKWISE, HXJPEG_TRANSFORM_180,
                                       HXJPEG_TRANSFORM_ANTICLOCKWISE, HXJPEG_TRANSFORM_CLOCKWISE};
    CheckFullCircle(rotated, options, kTurns[control >> 6]);
    return 0;
}
