#include "ThumbMetaLib/shell/EngineMimeTypes.h"

#include <algorithm>

#include "ThumbMetaLib/engine/AsciiCase.h"

namespace ThumbMetaLib::shell {

const std::vector<std::string>& EngineMimeTypes() {
    // JPEG (FBJPEGFormat), layered documents and TIFF (PictoriumLibFormat), PDF and
    // Illustrator documents (FBPDFFormat), Scitex CT (FBScitexFormat) and the 3D models the
    // render server draws (FB3DFormat; U3D is claimed but not drawn, so it is not offered).
    // shared-mime-info has no type for Scitex CT, so ours is declared in
    // share/mime/packages/vantory-scitex.xml. The layered documents' type is shared-mime-info's
    // canonical name, which file managers match (not its aliases).
    static const std::vector<std::string> types{"image/jpeg",
                                                "image/vnd.adobe.photoshop",
                                                "image/tiff",
                                                "application/pdf",
                                                "application/illustrator",
                                                "image/x-scitex-ct",
                                                "model/obj",
                                                "model/vnd.collada+xml",
                                                "image/x-3ds",
                                                "application/vnd.google-earth.kmz"};
    return types;
}

bool IsEngineMimeType(const std::string& mimeType) {
    const std::vector<std::string>& types = EngineMimeTypes();
    return std::find(types.begin(), types.end(), AsciiLower(mimeType)) != types.end();
}

}  // namespace ThumbMetaLib::shell
