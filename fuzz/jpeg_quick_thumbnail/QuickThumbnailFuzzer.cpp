// The quick-thumbnail path of an untrusted file: the marker scan up to the frame header
// (Exif TIFF structures with their directory chains and offsets, image-resource blocks) and
// the decode of the thumbnail it finds.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ThumbMetaLib/formats/jpeg/EmbeddedThumbnail.h"
#include "ThumbMetaLib/formats/jpeg/MarkerScan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto scan =
        ThumbMetaLib::ScanMarkers([&](uint64_t offset, uint8_t* buffer, size_t count) {
            if (offset > size || count > size - offset) {
                return false;
            }
            std::memcpy(buffer, data + offset, count);
            return true;
        });
    if (!scan.thumbnail.empty()) {
        ThumbMetaLib::DecodeEmbeddedThumbnail(scan);
    }
    return 0;
}
