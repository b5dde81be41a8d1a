#include "tools/render3d/ModelImport.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include <assimp/config.h>
#include <assimp/postprocess.h>

#include "tools/render3d/ArchiveIOSystem.h"
#include "tools/render3d/DiskIOSystem.h"
#include "tools/render3d/InputLimits.h"

namespace render3d {
namespace {

std::string LowerExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Triangulated, with normals made where the file has none; points and lines are dropped
// (they have no surface to light). The node hierarchy is kept: the drawing walks it, so a
// model that instances one mesh many times costs no memory per instance.
constexpr unsigned kImportSteps = aiProcess_Triangulate | aiProcess_GenSmoothNormals |
                                  aiProcess_JoinIdenticalVertices | aiProcess_SortByPType;

std::unique_ptr<Assimp::Importer> MakeImporter() {
    auto importer = std::make_unique<Assimp::Importer>();
    importer->SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE,
                                 aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    // Made normals stay sharp across edges steeper than this (a box keeps its faces flat).
    importer->SetPropertyFloat(AI_CONFIG_PP_GSN_MAX_SMOOTHING_ANGLE, 60.0f);
    return importer;
}

bool FinishImport(LoadedModel& model, const aiScene* scene, std::string& error) {
    if (scene == nullptr) {
        error = std::string("the model cannot be read: ") + model.importer->GetErrorString();
        return false;
    }
    if (scene->mNumMeshes == 0 || scene->mRootNode == nullptr) {
        error = (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) != 0
                    ? "the scene is incomplete and has no geometry"
                    : "the model has no geometry";
        return false;
    }
    model.scene = scene;
    return true;
}

}  // namespace

std::optional<LoadedModel> LoadModel(const std::string& path, std::string& error) {
    const std::string extension = LowerExtension(path);
    if (extension == "u3d") {
        error = "U3D models are not supported";
        return std::nullopt;
    }
    if (extension != "obj" && extension != "dae" && extension != "3ds" && extension != "kmz") {
        error = "unsupported model type";
        return std::nullopt;
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        error = "the model file cannot be opened";
        return std::nullopt;
    }
    if (uint64_t(status.st_size) > kMaxModelFileBytes) {
        error = "the model file is too large";
        return std::nullopt;
    }
    LoadedModel model;
    model.importer = MakeImporter();
    if (extension != "kmz") {
        model.textureFolder = FolderOf(path);
        model.importer->SetIOHandler(new DiskIOSystem());  // the importer owns it
        const aiScene* scene = model.importer->ReadFile(path, kImportSteps);
        if (!FinishImport(model, scene, error)) {
            return std::nullopt;
        }
        return model;
    }
    std::unique_ptr<ArchiveIOSystem> archive = ArchiveIOSystem::Open(path, error);
    if (!archive) {
        return std::nullopt;
    }
    const std::string entry = archive->FindModelEntry();
    if (entry.empty()) {
        error = "the archive holds no COLLADA model";
        return std::nullopt;
    }
    model.textureFolder = FolderOf(entry);
    model.importer->SetIOHandler(archive.release());  // the importer owns it from here
    const aiScene* scene = model.importer->ReadFile(entry, kImportSteps);
    if (!FinishImport(model, scene, error)) {
        return std::nullopt;
    }
    return model;
}

}  // namespace render3d
