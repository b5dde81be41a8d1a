#pragma once

#include <istream>
#include <map>
#include <string>

namespace ThumbMetaLib::shell {

// The text chunks of a PNG (tEXt, and iTXt when not compressed), keyword to text, found by
// walking the chunk headers without decoding the image; text after the image data counts as
// well. The first chunk of a keyword wins. Chunks whose text is larger than a thumbnail's
// metadata could need are skipped, and the walk ends at IEND, at the first broken chunk header
// or after a bounded number of chunks: whatever was found by then is returned. Empty when the
// bytes are not a PNG.
std::map<std::string, std::string> PngTextChunks(std::istream& in);

// The same for a file; empty when it cannot be read.
std::map<std::string, std::string> PngTextChunksOfFile(const std::string& path);

}  // namespace ThumbMetaLib::shell
