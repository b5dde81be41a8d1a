#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ThumbMetaLib/engine/FBFileFormat.h"

namespace ThumbMetaLib {

// The handler of 3D models (OBJ, KMZ, COLLADA, 3DS, U3D): each is rendered by the render
// server at the handler's render size, and the engine scales the render as usual.
class FB3DFormat : public FBFileFormat {
public:
    static constexpr const char* kFileKind = "$$$/Loom/FileKind/3D=3D CT image";
    static constexpr uint32_t kRenderSize = 512;

    static std::shared_ptr<FB3DFormat> Instance();

    FB3DFormat();

    std::string GetFileKind() const override { return kFileKind; }
    bool FormatFlag() const override { return false; }

    // A model stores no preview.
    PixelsPtr CreateQuickThumbnail(const std::string&, ThumbImageInfo&) override { return nullptr; }
    // The server's render at RenderSize(); status kRender3DClientError and null on failure.
    PixelsPtr CreateThumbnail(const std::string& path, uint32_t size,
                              ThumbOptions& options) override;

    uint32_t RenderSize() const { return renderSize_; }

private:
    uint32_t renderSize_;
};

}  // namespace ThumbMetaLib
