#pragma once

#include <string>

namespace render3d {

// True for the names of the text formats whose files exporters sometimes write as UTF-16
// (OBJ, MTL, COLLADA), which Assimp's readers take only as 8-bit text.
bool IsModelTextName(const std::string& name);

// `bytes` as UTF-8 when they begin with a UTF-16 byte-order mark (either order); otherwise
// unchanged. Unpaired surrogates become U+FFFD.
std::string TranscodeUTF16(std::string bytes);

}  // namespace render3d
