#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "ThumbMetaLib/engine/FBFileFormat.h"

namespace ThumbMetaLib {

// The engine's format error: a Scitex CT file whose header is malformed.
inline constexpr int32_t kScitexFormatError = -41;

// The handler of Scitex CT images: the planar separations read straight from the file.
class FBScitexFormat : public FBFileFormat {
public:
    static constexpr const char* kFileKind = "$$$/Loom/FileKind/Scitex=Scitex CT image";

    static std::shared_ptr<FBScitexFormat> Instance();

    FBScitexFormat();

    std::string GetFileKind() const override { return kFileKind; }
    bool FormatFlag() const override { return false; }

    // The format stores no preview.
    PixelsPtr CreateQuickThumbnail(const std::string&, ThumbImageInfo&) override { return nullptr; }
    // The whole image (the format has no reduced read); status -41 for a malformed header.
    PixelsPtr CreateThumbnail(const std::string& path, uint32_t size,
                              ThumbOptions& options) override;

    // The image of an open file of `fileSize` bytes; `info` gets its size, mode and resolution.
    // Null with `status` -41 for a malformed header, null with -1 for a file that ends early.
    // Throws AbortException when the abort flag stops the read.
    static PixelsPtr ReadImage(std::FILE* file, uint64_t fileSize, FBImageInfo& info,
                               int32_t& status);
};

}  // namespace ThumbMetaLib
