#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace ThumbMetaLib {

// The APP13 payload of layered-document writers: the 13 bytes "Pictorium 3.0" and a sequence
// of image-resource blocks ('8BIM', 16-bit id, padded Pascal name, 32-bit length, data padded
// to an even length).
bool IsPictoriumSegment(const uint8_t* data, size_t length);

// The JPEG data of the thumbnail resource. Resource 1033 stores its pixels with the first and
// third channel in the other order, so its decoded pixels must be swapped.
struct ResourceThumbnail {
    size_t offset;  // of the JPEG data, from the start of the payload
    size_t length;
    bool swapChannels;
};

// The first thumbnail resource (1036 or 1033) of the payload; null when there is none or its
// blocks run past the segment.
std::optional<ResourceThumbnail> FindResourceThumbnail(const uint8_t* data, size_t length);

}  // namespace ThumbMetaLib
