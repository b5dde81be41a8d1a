#pragma once

#include <string>

namespace ThumbMetaLib {

// Names the render server executable instead of the one beside the service (tests, other
// installs).
inline constexpr char kRender3DServerVariable[] = "VANTORY_RENDER3D_SERVER";
inline constexpr char kRender3DServerName[] = "vantory-render3d";

// The render server to start: $VANTORY_RENDER3D_SERVER when set and not empty, else
// "vantory-render3d" in the folder of the running executable. Read at every server start.
std::string Render3DServerPath();

}  // namespace ThumbMetaLib
