#pragma once

#include <cstdint>
#include <vector>

#include "ThumbMetaLib/formats/io/RasterSource.h"
#include "ThumbMetaLib/formats/layered/LayeredStructure.h"

namespace ThumbMetaLib {

// One channel of a layer: its id (0.. the colour channels, -1 transparency, -2 and -3 masks)
// and where its data lies (the 2-byte compression field first).
struct LayerChannel {
    int16_t id = 0;
    uint64_t offset = 0;
    uint64_t length = 0;
};

// A rectangle of the canvas, as the records store it.
struct LayerRect {
    int32_t top = 0, left = 0, bottom = 0, right = 0;

    uint32_t Width() const { return right > left ? uint32_t(int64_t{right} - left) : 0; }
    uint32_t Height() const { return bottom > top ? uint32_t(int64_t{bottom} - top) : 0; }
};

// The user mask of a layer (channel -2): its rectangle, the value outside it and whether it
// is switched off.
struct LayerMask {
    bool present = false;
    LayerRect rect;
    uint8_t defaultValue = 255;
    bool disabled = false;
};

// What the compositor needs of one layer record.
struct LayerRecord {
    int32_t top = 0, left = 0, bottom = 0, right = 0;
    std::vector<LayerChannel> channels;
    uint32_t blendMode = 0;  // the four-character key, 'norm' for normal
    uint8_t opacity = 255;
    bool clipped = false;  // drawn through the alpha of the layer below
    bool hidden = false;   // its own flag or a hidden group around it
    // Fill and adjustment layers: what they show is computed, not stored as pixels.
    bool computedContent = false;
    // Group markers: 1 or 2 opens a group (seen from the top), 3 closes it.
    uint32_t sectionType = 0;
    LayerMask mask;

    LayerRect Rect() const { return {top, left, bottom, right}; }
    uint32_t Width() const { return right > left ? uint32_t(int64_t{right} - left) : 0; }
    uint32_t Height() const { return bottom > top ? uint32_t(int64_t{bottom} - top) : 0; }
};

inline constexpr uint32_t FourCC(const char (&key)[5]) {
    return uint32_t(uint8_t(key[0])) << 24 | uint32_t(uint8_t(key[1])) << 16 |
           uint32_t(uint8_t(key[2])) << 8 | uint8_t(key[3]);
}

// The layer records of a document, bottom layer first, with `hidden` already covering the
// groups around each layer. The records live in the layer info of the layer and mask section,
// or, in 16- and 32-bit documents, in its 'Lr16'/'Lr32' block. Every channel's data lies within
// the layer info. Throws LayeredFormatError when the records do not fit their section.
std::vector<LayerRecord> ReadLayerRecords(RasterSource& source, const LayeredStructure& structure);

}  // namespace ThumbMetaLib
