#include "ThumbMetaLib/formats/layered/LayeredStructure.h"

#include "ThumbMetaLib/formats/layered/LayeredFormatError.h"
#include "ThumbMetaLib/formats/layered/SourceCursor.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {
namespace {

constexpr uint64_t kPaletteSize = 768;

SectionSpan ReadSection(SourceCursor& cursor, bool large, const char* name) {
    SectionSpan span;
    span.length = cursor.Length(large);
    span.offset = cursor.Position();
    if (span.length > cursor.Remaining()) {
        throw LayeredFormatError(std::string(name) + " section is longer than the file");
    }
    cursor.Skip(span.length);
    return span;
}

}  // namespace

LayeredStructure ReadLayeredStructure(RasterSource& source) {
    SourceCursor cursor(source, 0);
    LayeredStructure structure;
    structure.header = ReadLayeredHeader(cursor);

    const SectionSpan colorModeData = ReadSection(cursor, false, "colour-mode data");
    if (structure.header.mode == kModeIndexed) {
        if (colorModeData.length < kPaletteSize) {
            throw LayeredFormatError("indexed document without its palette");
        }
        structure.palette.resize(kPaletteSize);
        cursor.Seek(colorModeData.offset);
        cursor.Read(structure.palette.data(), kPaletteSize);
        cursor.Seek(colorModeData.offset + colorModeData.length);
    }
    // Duotone documents keep their inks here; their image reads as grayscale.
    structure.imageResources = ReadSection(cursor, false, "image resources");
    structure.layerAndMask = ReadSection(cursor, structure.header.IsLarge(), "layer and mask");
    structure.imageDataOffset = cursor.Position();
    return structure;
}

}  // namespace ThumbMetaLib
