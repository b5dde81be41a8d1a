// The quick-thumbnail path of an untrusted file: the marker scan up to the frame header
// (Exif TIFF structures with their directory chains and offsets, image-resource blocks) and
// the decode of the thumbnail it finds. The thumbnail decode takes no decode limits, so the
// fuzzing caps are applied before it: a large embedded frame only slows the search.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "HXJPEG.h"
#include "ThumbMetaLib/formats/jpeg/EmbeddedThumbnail.h"
#include "ThumbMetaLib/formats/jpeg/MarkerScan.h"
#include "fuzz/common/JPEGFuzzCaps.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    HXJPEGLibInit();  // the capped decoder of the check below needs it
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto scan =
        ThumbMetaLib::ScanMarkers([&](uint64_t offset, uint8_t* buffer, size_t count) {
            if (offset > size || count > size - offset) {
                return false;
            }
            std::memcpy(buffer, data + offset, count);
            return true;
        });
    if (!scan.thumbnail.empty() &&
        vantory::fuzz::WithinFuzzCaps(scan.thumbnail.data(), scan.thumbnail.size())) {
        ThumbMetaLib::DecodeEmbeddedThumbnail(scan);
    }
    return 0;
}
