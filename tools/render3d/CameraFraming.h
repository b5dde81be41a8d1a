#pragma once

#include <array>

#include "tools/render3d/SceneSurvey.h"

namespace render3d {

// Column-major 4x4 matrices, as OpenGL takes them.
using GLMatrix = std::array<float, 16>;

struct Camera {
    GLMatrix projection{};
    GLMatrix view{};
};

// A square view of the whole bounding box from a three-quarter view: 45 degrees around the up
// axis (+Y, which Assimp's loaders produce) and 30 degrees above, with the box's bounding
// sphere filling the field of view.
Camera FrameBoundingBox(const SceneSurvey& survey);

// The column-major form of Assimp's row-major matrix, multiplied onto `view`.
GLMatrix ModelView(const GLMatrix& view, const aiMatrix4x4& world);

}  // namespace render3d
