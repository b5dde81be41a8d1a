#pragma once

#include <stdexcept>
#include <string>

namespace ThumbMetaLib {

// A layered document the reader refuses: a header outside the format's limits, a section or
// offset past the end of the file, a size beyond the reader's caps. The message says which.
class LayeredFormatError : public std::runtime_error {
public:
    explicit LayeredFormatError(const std::string& why) : std::runtime_error(why) {}
};

}  // namespace ThumbMetaLib
