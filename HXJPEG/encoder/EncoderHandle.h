#pragma once

#include <memory>
#include <new>

#include "HXJPEG.h"
#include "HXJPEG/encoder/JPEGEncoder.h"

// The one-word record behind an HXJPEGEncoder handle.
struct HXJPEGEncoder {
    std::unique_ptr<HXJPEG::JPEGEncoder> encoder;
};

namespace HXJPEG {

// Runs `body` for a flat function: nothing thrown inside escapes the C interface; running out
// of memory becomes -103.
template <typename Body>
int32_t GuardFlatCall(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return HXJPEG_ERR_OUT_OF_MEMORY;
    } catch (...) {
        return HXJPEG_ERR_OUT_OF_MEMORY;
    }
}

}  // namespace HXJPEG
