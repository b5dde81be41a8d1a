#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace render3d {

// A decoded texture: RGBA, 4 bytes per pixel, row 0 at the top.
struct TextureImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;
};

// A JPEG (decoded by our own codec) or PNG (libpng) texture from its file's bytes, reduced to
// at most kMaxTextureSide on each side. Null for any other format, a damaged file or one above
// kMaxTexturePixels: the caller then draws the material's colour.
std::optional<TextureImage> DecodeTexture(const std::string& bytes);

}  // namespace render3d
