#pragma once

#include <cstddef>
#include <cstdint>

// What one render request may make the server read and draw.
namespace render3d {

inline constexpr uint64_t kMaxModelFileBytes = uint64_t{512} << 20;
inline constexpr uint64_t kMaxArchiveEntryBytes = uint64_t{256} << 20;
inline constexpr uint64_t kMaxTextureFileBytes = uint64_t{64} << 20;
// Decoded texture size (width x height); a larger one draws the material colour instead.
inline constexpr uint64_t kMaxTexturePixels = uint64_t{16} << 20;
// Textures are drawn at most this wide or high (llvmpipe samples big ones slowly).
inline constexpr uint32_t kMaxTextureSide = 2048;
// A model with more triangles than this is refused (the default of --max-triangles).
inline constexpr uint64_t kDefaultMaxTriangles = 4'000'000;
inline constexpr uint32_t kMinRenderSize = 16;
inline constexpr uint32_t kMaxRenderSize = 4096;

}  // namespace render3d
