#pragma once
// A codec writer that keeps every byte it is handed, for targets that read back what the codec
// wrote.
#include <cstdint>
#include <vector>

#include "HXJPEG.h"

namespace vantory::fuzz {

struct CollectedJPEG {
    std::vector<uint8_t> bytes;

    HXJPEGWriter Writer() { return {this, &Write, &Finish}; }

    static void Write(void* self, const uint8_t* data, uint32_t count, uint32_t) {
        auto* out = static_cast<CollectedJPEG*>(self);
        out->bytes.insert(out->bytes.end(), data, data + count);
    }
    static void Finish(void*) {}
};

}  // namespace vantory::fuzz
