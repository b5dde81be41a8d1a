#pragma once

#include <stdexcept>
#include <string>

namespace ThumbMetaLib {

// A TIFF file the glue around libtiff refuses: libtiff could not open it, a field is outside
// what the engine reads, or a size is beyond the caps. The message says which.
class TiffFormatError : public std::runtime_error {
public:
    explicit TiffFormatError(const std::string& why) : std::runtime_error(why) {}
};

}  // namespace ThumbMetaLib
