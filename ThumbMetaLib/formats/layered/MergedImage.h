#pragma once

#include <cstdint>

#include "ThumbMetaLib/formats/io/RasterSource.h"
#include "ThumbMetaLib/formats/layered/LayeredStructure.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// The engine colour mode a document's composite is delivered in: bitmap, duotone and
// multichannel as grayscale (multichannel from its first channel), indexed as RGB, the
// others as themselves.
int32_t CompositeMode(uint16_t documentMode);

// Bytes the planar 8-bit composite of `header` takes, for the cap before allocating.
uint64_t CompositeBytes(const LayeredHeader& header);

// A white planar buffer for the composite of `header`, after checking it against
// kMaxCompositeBytes. Throws LayeredFormatError when over the cap or out of memory.
PixelsPtr NewCompositeBuffer(const LayeredHeader& header);

// Stores one 8-bit row of the document's channel `channel` into the composite buffer: CMYK
// is stored inverted in these files (255 is no ink) and comes out as ink; indexed rows go
// through the palette.
void PutCompositeRow(const LayeredStructure& structure, Pixels& composite, uint16_t channel,
                     uint32_t y, const uint8_t* row);

// Reads the merged image data (raw or PackBits; the mode's own channels only, spot and
// extra channels do not enter the composite). Throws LayeredFormatError.
PixelsPtr ReadMergedImage(RasterSource& source, const LayeredStructure& structure);

}  // namespace ThumbMetaLib
