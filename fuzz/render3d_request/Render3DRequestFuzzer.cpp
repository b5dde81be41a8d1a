// The render server's request lines over arbitrary bytes: splitting never fails unsafely, and
// whatever splits must come back unchanged through the client's escaping.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ThumbMetaLib/formats/model3d/Render3DWords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ThumbMetaLib::render3d;
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const auto words = SplitRequestLine(line);
    if (!words) {
        return 0;
    }
    const std::string again = RequestLine(*words);
    if (again.find('\n') != again.size() - 1) {
        std::abort();  // an escaped word may never hold a line break
    }
    const auto back = SplitRequestLine(std::string_view(again).substr(0, again.size() - 1));
    if (!back || *back != *words) {
        std::abort();
    }
    return 0;
}
