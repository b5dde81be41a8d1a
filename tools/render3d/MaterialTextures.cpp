#include "tools/render3d/MaterialTextures.h"

#include <cstring>
#include <optional>
#include <string>

#include "tools/render3d/TextureImage.h"
#include "tools/render3d/TextureLookup.h"

namespace render3d {
namespace {

// "*<n>" names a texture stored in the model file itself (compressed bytes when mHeight is 0).
std::optional<std::string> EmbeddedTextureBytes(const aiScene& scene, const std::string& name) {
    const aiTexture* texture = scene.GetEmbeddedTexture(name.c_str());
    if (texture == nullptr || texture->mHeight != 0 || texture->pcData == nullptr) {
        return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(texture->pcData), texture->mWidth);
}

GLuint Upload(const TextureImage& image) {
    // OpenGL's first row is texture coordinate t = 0, the bottom of the image in the
    // coordinates Assimp hands out: upload the rows bottom first.
    const size_t rowBytes = size_t(image.width) * 4;
    std::vector<uint8_t> flipped(image.rgba.size());
    for (uint32_t y = 0; y < image.height; ++y) {
        std::memcpy(&flipped[size_t(y) * rowBytes],
                    &image.rgba[size_t(image.height - 1 - y) * rowBytes], rowBytes);
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, GLsizei(image.width), GLsizei(image.height), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, flipped.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

}  // namespace

MaterialTextures::MaterialTextures(const LoadedModel& model) {
    const aiScene& scene = *model.scene;
    names_.assign(scene.mNumMaterials, 0);
    Assimp::IOSystem& io = *model.importer->GetIOHandler();
    for (unsigned i = 0; i < scene.mNumMaterials; ++i) {
        aiString path;
        if (scene.mMaterials[i]->GetTexture(aiTextureType_DIFFUSE, 0, &path) != AI_SUCCESS ||
            path.length == 0) {
            continue;
        }
        const std::string reference(path.C_Str());
        std::optional<std::string> bytes =
            reference[0] == '*' ? EmbeddedTextureBytes(scene, reference)
                                : ReadTextureFile(io, model.textureFolder, reference);
        if (!bytes) {
            continue;
        }
        if (std::optional<TextureImage> image = DecodeTexture(*bytes)) {
            names_[i] = Upload(*image);
        }
    }
}

MaterialTextures::~MaterialTextures() {
    for (const GLuint name : names_) {
        if (name != 0) {
            glDeleteTextures(1, &name);
        }
    }
}

}  // namespace render3d
