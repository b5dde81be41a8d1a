#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "tools/vantory/PngWriter.h"

namespace vantory::cli {

// A JPEG the service returned, decoded with our own codec into RGB. Null when it does not
// decode.
std::optional<RgbImage> DecodeJpeg(const uint8_t* bytes, size_t size);

}  // namespace vantory::cli
