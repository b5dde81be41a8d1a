#pragma once

#include <cstdint>

namespace kvfoundation::util {

// Outcome of one text conversion: input units consumed and output units produced.
// A caller that sees `consumed` below what it passed knows the conversion stopped early
// (output full, truncated input, or a byte/code unit the encoding cannot take).
struct TextConversion {
    std::int32_t consumed = 0;
    std::int32_t produced = 0;
};

}  // namespace kvfoundation::util
