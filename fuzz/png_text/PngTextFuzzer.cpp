// The PNG text-chunk walker over arbitrary bytes (the thumbnail cache's files are written by
// every program of the desktop).
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "ThumbMetaLib/shell/PngText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    volatile size_t total = 0;
    for (const auto& [keyword, text] : ThumbMetaLib::shell::PngTextChunks(in)) {
        total = total + keyword.size() + text.size();
    }
    return 0;
}
