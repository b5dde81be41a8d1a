#pragma once

#include <cstdint>

namespace ThumbMetaLib {

// The name of a colour mode as image information reports it ("RGB", "CMYK", "Lab" ...).
const char* ModeName(int32_t mode);

}  // namespace ThumbMetaLib
