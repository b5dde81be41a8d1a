#pragma once

#include "ThumbMetaLib/formats/io/RasterSource.h"
#include "ThumbMetaLib/formats/layered/DocumentResources.h"
#include "ThumbMetaLib/formats/layered/LayeredStructure.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// Where a document's composite came from.
enum class CompositeSource { kMergedImage, kLayers, kStoredThumbnail };

struct LayeredComposite {
    LayeredStructure structure;
    DocumentResources resources;
    PixelsPtr pixels;  // 8 bits per channel, in CompositeMode(structure.header.mode)
    CompositeSource source = CompositeSource::kMergedImage;
};

// The composite image of a layered document: its merged image data; when the writer saved
// none (version info "has real merged data" false) or it cannot be read (truncated, damaged),
// its visible layers drawn over white; when those cannot all be drawn as the document shows
// them, the stored thumbnail at its own size, and without one the layers as far as they go;
// never the blank placeholder. Throws LayeredFormatError when none of these is there.
LayeredComposite ReadLayeredComposite(RasterSource& source);

}  // namespace ThumbMetaLib
