#pragma once

#include <string>

#include "ThumbMetaLib/formats/io/RasterSource.h"
#include "ThumbMetaLib/formats/layered/LayeredStructure.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// The document's visible raster layers drawn bottom to top over white, with each layer's blend
// mode, opacity, transparency channel and user mask; a clipped layer shows only where the
// layer it is clipped to does.
struct LayerDrawing {
    PixelsPtr pixels;  // as the merged image would be; null when no layer could be drawn
    // False when the drawing leaves out what the document shows: blend modes it does not know
    // (drawn as normal), masks combined with vector masks, fill and adjustment layers,
    // channels it cannot decode.
    bool exact = true;
    std::string why;  // what was left out, or why nothing was drawn
};

// Layers of grayscale, duotone, RGB, CMYK and Lab documents. Throws LayeredFormatError when
// the layer records do not fit their section or the canvas is over the composite cap.
LayerDrawing DrawVisibleLayers(RasterSource& source, const LayeredStructure& structure);

}  // namespace ThumbMetaLib
