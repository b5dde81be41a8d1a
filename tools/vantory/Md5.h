#pragma once

#include <string>

namespace vantory::cli {

// The MD5 digest (RFC 1321) of `text` as 32 lower-case hex digits: the thumbnail cache names
// its files by the digest of the file's URI.
std::string Md5Hex(const std::string& text);

}  // namespace vantory::cli
