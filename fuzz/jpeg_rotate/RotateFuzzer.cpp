// Lossless rotation of untrusted files: the last byte picks the transform and the scan mode,
// the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "HXJPEG.h"

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

struct Output {
    size_t bytes = 0;
    uint8_t last = 0;
    static void Write(void* self, const uint8_t* data, uint32_t count, uint32_t) {
        auto* out = static_cast<Output*>(self);
        out->bytes += count;
        if (count != 0) {
            out->last = data[count - 1];  // touch the block the codec hands over
        }
    }
    static void Finish(void*) {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool initialised = HXJPEGLibInit() == 0;
    (void)initialised;
    // Large photos among the seeds take seconds under the sanitizers; small inputs explore
    // the parser just as well.
    if (size < 2 || size > (1u << 18)) {
        return 0;
    }
    const uint8_t control = data[size - 1];
    Input input{data, size - 1};
    Output output;
    HXJPEGRotateOptions options;
    HXJPEGRotateOptionsInitDefault(&options);
    options.transform = control & 3;
    options.encodeOptions.scanMode = (control >> 2) & 3;
    options.encodeOptions.bandMode = (control >> 4) & 3;
    HXJPEGRotateImage(HXJPEGReader{&input, &Input::Skip, &Input::Read, &Input::Release},
                      HXJPEGWriter{&output, &Output::Write, &Output::Finish}, options);
    return 0;
}
