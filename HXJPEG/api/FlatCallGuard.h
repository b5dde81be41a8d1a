#pragma once

#include <cstdint>

#include "HXJPEG.h"

namespace HXJPEG {

// Runs the body of a flat function: nothing thrown inside escapes the C interface. Running out
// of memory and every other failure raised inside map to the one documented code, -103.
template <typename Body>
int32_t GuardFlatCall(Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return HXJPEG_ERR_OUT_OF_MEMORY;
    }
}

}  // namespace HXJPEG
