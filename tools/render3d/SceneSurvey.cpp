#include "tools/render3d/SceneSurvey.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace render3d {
namespace {

// Bounds the walk of a hostile hierarchy (a node may be listed under itself only through a
// corrupt file, which Assimp's loaders do not produce, but depth still needs a bound).
constexpr unsigned kMaxDepth = 256;

bool HasTriangles(const aiMesh& mesh) {
    return mesh.mNumFaces > 0 && mesh.mVertices != nullptr &&
           (mesh.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) != 0;
}

}  // namespace

void ForEachMeshInstance(
    const aiScene& scene,
    const std::function<bool(const aiMesh&, unsigned, const aiMatrix4x4&)>& visit) {
    struct Pending {
        const aiNode* node;
        aiMatrix4x4 parent;
        unsigned depth;
    };
    std::vector<Pending> stack;
    if (scene.mRootNode != nullptr) {
        stack.push_back({scene.mRootNode, aiMatrix4x4(), 0});
    }
    while (!stack.empty()) {
        const Pending current = stack.back();
        stack.pop_back();
        const aiMatrix4x4 world = current.parent * current.node->mTransformation;
        for (unsigned i = 0; i < current.node->mNumMeshes; ++i) {
            const unsigned index = current.node->mMeshes[i];
            if (index >= scene.mNumMeshes || !HasTriangles(*scene.mMeshes[index])) {
                continue;
            }
            if (!visit(*scene.mMeshes[index], index, world)) {
                return;
            }
        }
        if (current.depth >= kMaxDepth) {
            continue;
        }
        for (unsigned i = current.node->mNumChildren; i > 0; --i) {
            stack.push_back({current.node->mChildren[i - 1], world, current.depth + 1});
        }
    }
}

SceneSurvey SurveyScene(const aiScene& scene, uint64_t maxTriangles) {
    SceneSurvey survey;
    ForEachMeshInstance(scene, [&](const aiMesh& mesh, unsigned, const aiMatrix4x4& world) {
        survey.triangles += mesh.mNumFaces;
        if (survey.triangles > maxTriangles) {
            return false;
        }
        for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
            const aiVector3D p = world * mesh.mVertices[v];
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
                continue;
            }
            if (survey.empty) {
                survey.min = survey.max = p;
                survey.empty = false;
                continue;
            }
            survey.min = aiVector3D(std::min(survey.min.x, p.x), std::min(survey.min.y, p.y),
                                    std::min(survey.min.z, p.z));
            survey.max = aiVector3D(std::max(survey.max.x, p.x), std::max(survey.max.y, p.y),
                                    std::max(survey.max.z, p.z));
        }
        return true;
    });
    return survey;
}

}  // namespace render3d
