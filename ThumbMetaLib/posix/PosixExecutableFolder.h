#pragma once

#include <string>

namespace ThumbMetaLib {

// The folder of the running executable (from /proc/self/exe), ending in "/"; empty when the
// link cannot be read.
std::string ExecutableFolder();

}  // namespace ThumbMetaLib
