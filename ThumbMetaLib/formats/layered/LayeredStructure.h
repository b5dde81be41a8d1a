#pragma once

#include <cstdint>
#include <vector>

#include "ThumbMetaLib/formats/io/RasterSource.h"
#include "ThumbMetaLib/formats/layered/LayeredHeader.h"

namespace ThumbMetaLib {

// Where one section's content lies in the file (after its length field).
struct SectionSpan {
    uint64_t offset = 0;
    uint64_t length = 0;
};

// The sections of a layered document, in file order: header, colour-mode data, image
// resources, layer and mask information, merged image data.
struct LayeredStructure {
    LayeredHeader header;
    std::vector<uint8_t> palette;  // indexed documents: 256 red, 256 green, 256 blue
    SectionSpan imageResources;
    SectionSpan layerAndMask;
    uint64_t imageDataOffset = 0;  // the compression field of the merged image data
};

// Reads the header and locates every section; each section must lie within the file (the
// layer section's length is 32 bits in version 1, 64 in large documents). Throws
// LayeredFormatError.
LayeredStructure ReadLayeredStructure(RasterSource& source);

}  // namespace ThumbMetaLib
