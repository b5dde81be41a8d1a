#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ThumbMetaLib/engine/FBFileFormat.h"

namespace ThumbMetaLib {

class PictoriumLibFormatImp;

// The handler of layered raster documents (PSD, PSB, PDD; "Pictorium" is the name their writer
// gives them) and TIFF files. It was designed around a closed layered-image library; here the
// composite comes from our own reader of layered documents and from libtiff, behind the same
// interface: thumbnails and image information through the composite read, quick thumbnails
// from the image-resource thumbnail of layered documents, the embedded profile, and XMP that
// goes through the XMP layer rather than through this handler.
class PictoriumLibFormat : public FBFileFormat {
public:
    static constexpr const char* kFileKind = "$$$/Loom/FileKind/PSD=Pictorium document";

    static std::shared_ptr<PictoriumLibFormat> Instance();

    PictoriumLibFormat();
    ~PictoriumLibFormat() override;

    std::string GetFileKind() const override { return kFileKind; }
    bool FormatFlag() const override { return true; }

    // Only for "psd", "psb" and "pdd": TIFF files have no stored thumbnail here.
    PixelsPtr CreateQuickThumbnail(const std::string& path, ThumbImageInfo& info) override;
    PixelsPtr CreateThumbnail(const std::string& path, uint32_t size,
                              ThumbOptions& options) override;
    bool GetImageInfo(const std::string& path, FBImageInfo& info) override;

    // The profile of the file of the calling thread's last CreateThumbnail (kept per thread:
    // every worker shares the handler).
    bool HasEmbeddedProfile() const override;
    ColorProfileHolder GetEmbeddedProfile() const override;

    int32_t DoDirectXMPRead(const std::string& path, xmp::TXMPMeta& meta, bool& found) override;

    void ShutDown() override;

private:
    std::unique_ptr<PictoriumLibFormatImp> imp_;
};

}  // namespace ThumbMetaLib
