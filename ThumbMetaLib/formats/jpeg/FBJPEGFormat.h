#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ThumbMetaLib/engine/FBFileFormat.h"

namespace ThumbMetaLib {

// The handler of JPEG files: quick thumbnails from the embedded Exif or image-resource
// preview, thumbnails and full images decoded by the engine's own codec (at one eighth where
// that still covers the request), and the embedded colour profile. XMP goes through the XMP
// layer, not through this handler.
class FBJPEGFormat : public FBFileFormat {
public:
    static constexpr const char* kFileKind = "$$$/Loom/Core/JPEGFileKind=JPEG file";

    // The process-wide handler, made on first use. Making it also installs the full-size
    // re-decode that Resize uses for buffers naming a JPEG source file.
    static std::shared_ptr<FBJPEGFormat> Instance();

    FBJPEGFormat();

    std::string GetFileKind() const override { return kFileKind; }
    bool FormatFlag() const override { return true; }

    PixelsPtr CreateQuickThumbnail(const std::string& path, ThumbImageInfo& info) override;
    PixelsPtr CreateThumbnail(const std::string& path, uint32_t size,
                              ThumbOptions& options) override;
    bool GetImageInfo(const std::string& path, FBImageInfo& info) override;

    // The profile of the file that the calling thread's last CreateThumbnail decoded: the
    // handler is shared by every worker, so this is kept per thread, not in the object.
    bool HasEmbeddedProfile() const override;
    ColorProfileHolder GetEmbeddedProfile() const override;

    // The full image of a JPEG file (no size limit); null when it cannot be decoded.
    static PixelsPtr DecodeFile(const std::string& path);
};

}  // namespace ThumbMetaLib
