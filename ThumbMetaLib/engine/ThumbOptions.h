#pragma once

#include <cstdint>
#include <memory>

namespace xmp {
class TXMPMeta;  // the XMP layer's metadata object
}

namespace ThumbMetaLib {

// How the source profile of a thumbnail was found.
enum ProfileSource : int32_t {
    kProfileFromPixels = 0,    // the handler's embedded profile or the mode's default
    kProfileFromMetadata = 1,  // looked up by the name the file's metadata records
};

// The options of one CreateThumbnail call: made on the caller's stack, destroyed after the call.
// The record's other words are read by no path of the service and are left out.
struct ThumbOptions {
    int32_t scaleMode = 1;  // passed to the resampler (see resample/Resample.h)
    int32_t status = -1;    // set by the driver; -1 means no thumbnail
    // The file's XMP where the handler provides it; the driver reads the profile name from it.
    std::shared_ptr<xmp::TXMPMeta> metadata;
    int32_t profileSource = kProfileFromPixels;
    int32_t page = -1;  // the page to render, for handlers with pages
    // The orientation code the file records (TIFF tag 274: 3, 6 and 8 are turns), 0 when
    // none; the caller rotates by it, the handler does not.
    int32_t orientation = 0;
};

}  // namespace ThumbMetaLib
