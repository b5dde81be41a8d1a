#pragma once

#include <GL/gl.h>

#include <vector>

#include "tools/render3d/ModelImport.h"

namespace render3d {

// The diffuse texture of every material as an OpenGL texture (0 where a material has none or
// its image cannot be read or decoded: the material's colour is drawn instead). Made for one
// render in the current context and deleted with it.
class MaterialTextures {
public:
    explicit MaterialTextures(const LoadedModel& model);
    ~MaterialTextures();
    MaterialTextures(const MaterialTextures&) = delete;
    MaterialTextures& operator=(const MaterialTextures&) = delete;

    GLuint ForMaterial(unsigned materialIndex) const {
        return materialIndex < names_.size() ? names_[materialIndex] : 0;
    }

private:
    std::vector<GLuint> names_;
};

}  // namespace render3d
