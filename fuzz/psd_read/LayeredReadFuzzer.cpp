// Our reader of layered documents over arbitrary bytes: header and sections, image resources
// (thumbnail, profile, XMP, version info), the merged image raw or PackBits, the layer records
// and their drawing, and the composite the handler would use. A composite that comes back must
// have the header's size; anything else is a bug.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ThumbMetaLib/formats/layered/DocumentResources.h"
#include "ThumbMetaLib/formats/layered/LayerCompositor.h"
#include "ThumbMetaLib/formats/layered/LayeredComposite.h"
#include "ThumbMetaLib/formats/layered/LayeredFormatError.h"
#include "ThumbMetaLib/formats/layered/MergedImage.h"
#include "fuzz/common/JPEGFuzzCaps.h"
#include "kvfoundation/util/ProcessLog.h"

namespace {

using namespace ThumbMetaLib;

// Documents whose canvas is larger than this are only parsed: a blank canvas of up to the
// reader's 1 GiB cap is legitimate for a small layer on a large page, but every sample is
// cleared, drawn and blended under the sanitizers; 256 x 256 pixels keep each input cheap.
constexpr uint64_t kFuzzCanvasBytes = uint64_t{256} << 10;

void CheckSize(const Pixels& pixels, const LayeredHeader& header) {
    if (pixels.Width() != header.width || pixels.Height() != header.height) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        HXJPEGLibInit();  // the capped decoder of the thumbnail check needs it
        kvfoundation::util::GetProcessLog()->SetLevel(0);
        return true;
    }();
    (void)quiet;
    MemoryRasterSource source(data, size);
    try {
        const LayeredStructure structure = ReadLayeredStructure(source);
        const DocumentResources resources =
            ReadDocumentResources(source, structure.imageResources, true);
        if (CompositeBytes(structure.header) > kFuzzCanvasBytes) {
            return 0;
        }
        try {
            CheckSize(*ReadMergedImage(source, structure), structure.header);
        } catch (const LayeredFormatError&) {
        }
        try {
            const LayerDrawing drawing = DrawVisibleLayers(source, structure);
            if (drawing.pixels) {
                CheckSize(*drawing.pixels, structure.header);
            }
        } catch (const LayeredFormatError&) {
        }
        // The composite may fall back to the stored thumbnail, whose decode takes no limits: a
        // large one spent four fifths of a campaign's time converting its colours.
        if (!resources.thumbnailJPEG.empty() &&
            !vantory::fuzz::WithinFuzzCaps(resources.thumbnailJPEG.data(),
                                           resources.thumbnailJPEG.size())) {
            return 0;
        }
        const LayeredComposite composite = ReadLayeredComposite(source);
        if (composite.source != CompositeSource::kStoredThumbnail) {
            CheckSize(*composite.pixels, structure.header);
        }
    } catch (const LayeredFormatError&) {
    }
    return 0;
}
