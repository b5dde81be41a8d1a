#include "ThumbMetaLib/formats/layered/LayeredComposite.h"

#include "ThumbMetaLib/formats/layered/LayeredFormatError.h"
#include "ThumbMetaLib/formats/layered/MergedImage.h"
#include "ThumbMetaLib/formats/layered/StoredThumbnail.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib {
namespace {

constexpr int kWarning = 2;

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
    result.pixels = DecodeStoredThumbnail(result.resources);
    if (!result.pixels) {
        throw LayeredFormatError(why + ", and there is no stored thumbnail");
    }
    kvfoundation::util::LogFormat(kWarning, "Layered: %s; using the stored thumbnail", why.c_str());
    result.source = CompositeSource::kStoredThumbnail;
    return result;
}

}  // namespace ThumbMetaLib
