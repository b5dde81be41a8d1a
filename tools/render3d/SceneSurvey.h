#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <assimp/scene.h>

namespace render3d {

// Every drawn mesh instance with its world transform, in node order. `visit` returns false to
// stop the walk. Meshes without triangles are skipped.
void ForEachMeshInstance(
    const aiScene& scene,
    const std::function<bool(const aiMesh&, unsigned meshIndex, const aiMatrix4x4& world)>& visit);

// What the walk of the scene finds before anything is drawn.
struct SceneSurvey {
    uint64_t triangles = 0;  // over all instances
    aiVector3D min{0, 0, 0};
    aiVector3D max{0, 0, 0};
    bool empty = true;  // no finite vertex
};

// The instance triangles and the world-space bounding box; stops counting past
// `maxTriangles` (the survey then reports more than the cap).
SceneSurvey SurveyScene(const aiScene& scene, uint64_t maxTriangles);

}  // namespace render3d
