#pragma once

#include <memory>

#include "ThumbMetaLib/engine/FBFileFormat.h"

namespace ThumbMetaLib {

// The handler of files that never get a thumbnail (caches, text, archives, resource forks):
// the driver answers status -1 and no pixels for it without calling it.
class FBNullFileFormat : public FBFileFormat {
public:
    static std::shared_ptr<FBNullFileFormat> Instance();

    std::string GetFileKind() const override { return {}; }
    bool FormatFlag() const override { return true; }
    PixelsPtr CreateQuickThumbnail(const std::string& path, ThumbImageInfo& info) override;
    PixelsPtr CreateThumbnail(const std::string& path, uint32_t size,
                              ThumbOptions& options) override;
};

// The handler of files that no registered handler claims: the driver tries the desktop's
// thumbnailers (and the video path) for them.
class FBUnknownFileFormat : public FBFileFormat {
public:
    static std::shared_ptr<FBUnknownFileFormat> Instance();

    std::string GetFileKind() const override { return {}; }
    bool FormatFlag() const override { return false; }
    PixelsPtr CreateQuickThumbnail(const std::string& path, ThumbImageInfo& info) override;
    PixelsPtr CreateThumbnail(const std::string& path, uint32_t size,
                              ThumbOptions& options) override;
};

}  // namespace ThumbMetaLib
