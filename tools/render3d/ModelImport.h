#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <assimp/scene.h>
#include <assimp/Importer.hpp>

namespace render3d {

// A model read by Assimp: OBJ (with its MTL), COLLADA and 3DS from disk, KMZ through its
// archive. The importer owns the scene and the file access the textures are read through.
struct LoadedModel {
    std::unique_ptr<Assimp::Importer> importer;
    const aiScene* scene = nullptr;
    // Where texture references are resolved: the model's folder, ending in "/" (inside the
    // archive for a KMZ, possibly "").
    std::string textureFolder;
};

// The model at `path`, or null with `error` set to the reason the reply gives: an unsupported
// or unreadable file, a U3D model (Assimp reads none), a scene Assimp could not finish.
std::optional<LoadedModel> LoadModel(const std::string& path, std::string& error);

}  // namespace render3d
