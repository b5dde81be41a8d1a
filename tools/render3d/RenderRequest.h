#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/render3d/OffscreenRenderer.h"

namespace render3d {

// The server's state between requests: the renderer (its context) and the limits.
struct ServerState {
    OffscreenRenderer renderer;
    uint64_t maxTriangles = 0;
};

// "render <model-path> <ppm-path> <size>": the reply line without "\n", "OK" when the image
// was written, else "ERR " and the reason.
std::string HandleRender(const std::vector<std::string>& words, ServerState& state);

}  // namespace render3d
