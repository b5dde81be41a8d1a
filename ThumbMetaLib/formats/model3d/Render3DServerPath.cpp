#include "ThumbMetaLib/formats/model3d/Render3DServerPath.h"

#include <cstdlib>

#include "ThumbMetaLib/posix/PosixExecutableFolder.h"

namespace ThumbMetaLib {

std::string Render3DServerPath() {
    const char* overridden = std::getenv(kRender3DServerVariable);
    if (overridden != nullptr && overridden[0] != '\0') {
        return overridden;
    }
    return ExecutableFolder() + kRender3DServerName;
}

}  // namespace ThumbMetaLib
