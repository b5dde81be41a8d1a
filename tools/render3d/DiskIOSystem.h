#pragma once

#include <assimp/DefaultIOSystem.h>

namespace render3d {

// Assimp's file access on disk, except that model text files written as UTF-16 (OBJ, MTL,
// COLLADA) are handed to the readers as UTF-8.
class DiskIOSystem final : public Assimp::DefaultIOSystem {
public:
    Assimp::IOStream* Open(const char* name, const char* mode = "rb") override;
    void Close(Assimp::IOStream* stream) override;
};

}  // namespace render3d
