#pragma once

#include <GL/osmesa.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/render3d/ModelImport.h"
#include "tools/render3d/SceneSurvey.h"

namespace render3d {

// Draws a model with Mesa's off-screen OpenGL (software, no display): fixed-function lighting
// with two directional lights, depth test, material colours, vertex colours and diffuse
// textures, on white. The context lives as long as the server, so warm renders skip its set-up.
class OffscreenRenderer {
public:
    OffscreenRenderer() = default;
    ~OffscreenRenderer();
    OffscreenRenderer(const OffscreenRenderer&) = delete;
    OffscreenRenderer& operator=(const OffscreenRenderer&) = delete;

    // `rgb` gets size x size RGB pixels, row 0 at the top. False with `error` when the
    // context cannot be made.
    bool Render(const LoadedModel& model, const SceneSurvey& survey, uint32_t size,
                std::vector<uint8_t>& rgb, std::string& error);

private:
    bool MakeCurrent(uint32_t size, std::string& error);

    OSMesaContext context_ = nullptr;
    std::vector<uint8_t> frame_;  // RGBA, the context's colour buffer
    uint32_t size_ = 0;
};

}  // namespace render3d
