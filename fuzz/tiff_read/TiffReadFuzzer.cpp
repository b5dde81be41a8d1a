// The TIFF path through our glue over arbitrary bytes: libtiff over our memory source with its
// handlers routed to the log, the first image's information, its XMP tag and its pixels (the
// RGBA path and the direct-sample path). A composite that comes back must have the size the
// information reported; anything else is a bug.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ThumbMetaLib/formats/io/RasterLimits.h"
#include "ThumbMetaLib/formats/tiff/TiffFormatError.h"
#include "ThumbMetaLib/formats/tiff/TiffImage.h"
#include "kvfoundation/util/ProcessLog.h"

namespace {

// Images larger than this are only described: libtiff fills what it cannot decode with white,
// so a small file may legitimately ask for up to the reader's 1 GiB cap, and every pixel costs
// a conversion that the sanitizers and coverage make slow; 128 x 128 pixels keep each input
// cheap (no allocation large enough for the sanitizer to map it on its own) while every band,
// tile and layout path still runs on real rows.
constexpr uint64_t kFuzzImageBytes = uint64_t{64} << 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ThumbMetaLib;
    static const bool quiet = [] {
        kvfoundation::util::GetProcessLog()->SetLevel(0);
        return true;
    }();
    (void)quiet;
    MemoryRasterSource source(data, size);
    FBImageInfo info;
    if (!ReadTiffInfo(source, "fuzz.tif", info)) {
        return 0;
    }
    ReadTiffXMP(source, "fuzz.tif");
    if (PlanarBytes(uint32_t(info.width), uint32_t(info.height), 4) > kFuzzImageBytes) {
        return 0;
    }
    try {
        const RasterImage image = ReadTiffImage(source, "fuzz.tif");
        if (!image.pixels || image.pixels->Width() != uint32_t(info.width) ||
            image.pixels->Height() != uint32_t(info.height)) {
            std::abort();
        }
    } catch (const TiffFormatError&) {
    }
    return 0;
}
