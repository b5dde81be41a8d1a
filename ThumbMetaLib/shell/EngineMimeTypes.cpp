#include "ThumbMetaLib/shell/EngineMimeTypes.h"

#include <algorithm>

#include "ThumbMetaLib/engine/AsciiCase.h"

namespace ThumbMetaLib::shell {

const std::vector<std::string>& EngineMimeTypes() {
    // JPEG (FBJPEGFormat) and Scitex CT (FBScitexFormat); shared-mime-info has no type for
    // Scitex CT, so ours is declared in share/mime/packages/vantory-scitex.xml. Layered
    // documents, TIFF, PDF and 3D join as their handlers are registered.
    static const std::vector<std::string> types{"image/jpeg", "image/x-scitex-ct"};
    return types;
}

bool IsEngineMimeType(const std::string& mimeType) {
    const std::vector<std::string>& types = EngineMimeTypes();
    return std::find(types.begin(), types.end(), AsciiLower(mimeType)) != types.end();
}

}  // namespace ThumbMetaLib::shell
