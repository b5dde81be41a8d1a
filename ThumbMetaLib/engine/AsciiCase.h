#pragma once

#include <string>
#include <string_view>

namespace ThumbMetaLib {

// File-name extensions are compared after ASCII-only lower-casing: bytes above 0x7F (UTF-8)
// stay as they are, whatever the process's locale.
std::string AsciiLower(std::string_view text);

// The extension of a path: what follows the last '.' of its last component, "" when none.
std::string PathExtension(std::string_view path);
// The last component of a path.
std::string_view PathFileName(std::string_view path);

}  // namespace ThumbMetaLib
