#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace ThumbMetaLib {

// One block of a layered document's image resources: a signature ('8BIM' and a few other
// writers' codes), a 16-bit id, a Pascal name padded to an even size, a 32-bit length and the
// data padded to an even length. Offsets are from the start of the walked bytes.
struct ImageResourceBlock {
    uint16_t id;
    size_t dataOffset;
    size_t dataSize;
};

// The well-known resource ids.
inline constexpr uint16_t kResourceResolution = 1005;
inline constexpr uint16_t kResourceSwappedThumbnail = 1033;  // red and blue in the other order
inline constexpr uint16_t kResourceThumbnail = 1036;
inline constexpr uint16_t kResourceICCProfile = 1039;
inline constexpr uint16_t kResourceVersionInfo = 1057;
inline constexpr uint16_t kResourceXMP = 1060;

// Calls `visit` for every block of `data` in order until it returns false. Null when the walk
// ended cleanly (end of data, a foreign signature, or `visit` stopping it); otherwise why a
// block was refused (its name or data runs past the end).
const char* WalkImageResources(const uint8_t* data, size_t length,
                               const std::function<bool(const ImageResourceBlock&)>& visit);

// Where the JFIF data of a thumbnail resource (1036 or 1033) lies within the resource's own
// data: after its 28-byte header, of the compressed size it records when that fits, else of
// what the block holds. Nothing when the block has no JPEG data.
struct ByteSpan {
    size_t offset;
    size_t length;
};
std::optional<ByteSpan> ThumbnailJPEGSpan(const uint8_t* resourceData, size_t size);

}  // namespace ThumbMetaLib
