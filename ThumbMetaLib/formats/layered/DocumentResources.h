#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ThumbMetaLib/formats/io/RasterSource.h"
#include "ThumbMetaLib/formats/layered/LayeredStructure.h"

namespace ThumbMetaLib {

// What the engine takes from a document's image resources.
struct DocumentResources {
    std::vector<uint8_t> iccProfile;  // 1039
    std::string xmpPacket;            // 1060
    double resolution = 0;            // 1005, pixels per inch; 0 when absent
    // 1057: false when the writer saved no real merged image; empty when the resource is absent.
    std::optional<bool> hasRealMergedData;
    // 1036, or 1033 with red and blue in the other order: the JFIF data of the stored thumbnail.
    std::vector<uint8_t> thumbnailJPEG;
    bool thumbnailSwapped = false;
};

// Reads the image-resource section. A section over kMaxResourceSectionBytes, or one whose
// blocks run past its end, yields what was found before (with a log line): the resources are
// an addition to the image, never a reason to refuse it. With `wantThumbnail` false the
// thumbnail's bytes are not copied.
DocumentResources ReadDocumentResources(RasterSource& source, const SectionSpan& section,
                                        bool wantThumbnail);

}  // namespace ThumbMetaLib
