#include "ThumbMetaLib/formats/layered/LayeredComposite.h"

#include "ThumbMetaLib/formats/layered/LayerCompositor.h"
#include "ThumbMetaLib/formats/layered/LayeredFormatError.h"
#include "ThumbMetaLib/formats/layered/MergedImage.h"
#include "ThumbMetaLib/formats/layered/StoredThumbnail.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib {
namespace {

constexpr int kWarning = 2;

LayerDrawing TryLayers(RasterSource& source, const LayeredStructure& structure) {
    try {
        return DrawVisibleLayers(source, structure);
    } catch (const LayeredFormatError& error) {
        LayerDrawing nothing;
        nothing.exact = false;
        nothing.why = error.what();
        return nothing;
    }
}

}  // namespace

LayeredComposite ReadLayeredComposite(RasterSource& source) {
    LayeredComposite result;
    result.structure = ReadLayeredStructure(source);
    result.resources = ReadDocumentResources(source, result.structure.imageResources, true);
    std::string why = "the writer saved no merged image";
    if (result.resources.hasRealMergedData.value_or(true)) {
        try {
            result.pixels = ReadMergedImage(source, result.structure);
            return result;
        } catch (const LayeredFormatError& error) {
            why = error.what();
        }
    }
    LayerDrawing layers = TryLayers(source, result.structure);
    if (layers.pixels && layers.exact) {
        kvfoundation::util::LogFormat(kWarning, "Layered: %s; drawing the layers", why.c_str());
        result.pixels = std::move(layers.pixels);
        result.source = CompositeSource::kLayers;
        return result;
    }
    why += "; layers: " + layers.why;
    result.pixels = DecodeStoredThumbnail(result.resources);
    if (result.pixels) {
        kvfoundation::util::LogFormat(kWarning, "Layered: %s; using the stored thumbnail",
                                      why.c_str());
        result.source = CompositeSource::kStoredThumbnail;
        return result;
    }
    if (layers.pixels) {
        kvfoundation::util::LogFormat(
            kWarning, "Layered: %s; no stored thumbnail, drawing the layers", why.c_str());
        result.pixels = std::move(layers.pixels);
        result.source = CompositeSource::kLayers;
        return result;
    }
    throw LayeredFormatError(why + ", and there is no stored thumbnail");
}

}  // namespace ThumbMetaLib
