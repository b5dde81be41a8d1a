#include "ThumbMetaLib/formats/model3d/FB3DFormat.h"

#include "ThumbMetaLib/formats/model3d/Render3DLoom.h"

namespace ThumbMetaLib {

std::shared_ptr<FB3DFormat> FB3DFormat::Instance() {
    static const std::shared_ptr<FB3DFormat> instance = std::make_shared<FB3DFormat>();
    return instance;
}

FB3DFormat::FB3DFormat() : renderSize_(kRenderSize) {
    // U3D is claimed although the server reads none: it answers with an error and the
    // request gets no thumbnail, as for any model the server cannot draw.
    for (const char* extension : {"OBJ", "KMZ", "DAE", "3DS", "U3D"}) {
        AddExtension(extension);
    }
}

PixelsPtr FB3DFormat::CreateThumbnail(const std::string& path, uint32_t /*size*/,
                                      ThumbOptions& options) {
    Render3DResult result = Render3DLoom::Process().Render(path, renderSize_);
    options.status = result.status;
    return result.status == 0 ? std::move(result.pixels) : nullptr;
}

}  // namespace ThumbMetaLib
