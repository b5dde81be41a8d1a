#pragma once

#include <cstdint>

#include "ThumbMetaLib/formats/layered/SourceCursor.h"

namespace ThumbMetaLib {

// The 26-byte file header of a layered raster document: '8BPS', version (1, or 2 for large
// documents), six reserved bytes, channels, height, width, bits per channel, colour mode (the
// engine's mode numbers, Pixels.h).
struct LayeredHeader {
    uint16_t version = 1;
    uint16_t channels = 0;
    uint32_t height = 0;
    uint32_t width = 0;
    uint16_t depth = 8;
    uint16_t mode = 0;

    bool IsLarge() const { return version == 2; }
};

inline constexpr uint64_t kLayeredHeaderSize = 26;

// Reads and checks the header at the cursor: channels 1-56, each side 1-30,000 (300,000 in
// large documents), depth 1, 8, 16 or 32 (1 exactly for bitmap), a known colour mode with at
// least its own channels. Throws LayeredFormatError naming the field otherwise.
LayeredHeader ReadLayeredHeader(SourceCursor& cursor);

// True when the bytes start like a layered document ('8BPS' and version 1 or 2).
bool LooksLayered(const uint8_t* bytes, size_t size);

// The channels of the colour mode itself; channels beyond them are spot or extra channels.
uint16_t ModeChannels(uint16_t mode);

}  // namespace ThumbMetaLib
