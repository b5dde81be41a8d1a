#include "tools/render3d/OffscreenRenderer.h"

#include <GL/gl.h>

#include <cstring>

#include "tools/render3d/CameraFraming.h"
#include "tools/render3d/MaterialTextures.h"

namespace render3d {
namespace {

constexpr GLfloat kDefaultDiffuse[4] = {0.7f, 0.7f, 0.7f, 1.0f};
constexpr GLfloat kWhite[4] = {1, 1, 1, 1};

// Directions towards the lights, in eye space: a key light from the upper left in front and a
// weaker fill from the lower right; the ambient term keeps faces turned away from both visible.
void SetUpLights() {
    constexpr GLfloat kAmbient[4] = {0.25f, 0.25f, 0.25f, 1};
    constexpr GLfloat kKeyDirection[4] = {-0.5f, 1.0f, 0.7f, 0};
    constexpr GLfloat kKeyColor[4] = {0.75f, 0.75f, 0.75f, 1};
    constexpr GLfloat kFillDirection[4] = {0.8f, -0.2f, 0.4f, 0};
    constexpr GLfloat kFillColor[4] = {0.35f, 0.35f, 0.35f, 1};
    constexpr GLfloat kNone[4] = {0, 0, 0, 1};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, kAmbient);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);  // models rarely agree on winding
    glLightfv(GL_LIGHT0, GL_POSITION, kKeyDirection);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, kKeyColor);
    glLightfv(GL_LIGHT0, GL_SPECULAR, kNone);
    glLightfv(GL_LIGHT1, GL_POSITION, kFillDirection);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, kFillColor);
    glLightfv(GL_LIGHT1, GL_SPECULAR, kNone);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glEnable(GL_NORMALIZE);  // node transforms may scale
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void SetMaterialColor(const aiMaterial& material, bool textured) {
    GLfloat diffuse[4];
    std::memcpy(diffuse, kDefaultDiffuse, sizeof diffuse);
    aiColor4D color;
    if (textured) {
        std::memcpy(diffuse, kWhite, sizeof diffuse);  // the texture carries the colour
    } else if (material.Get(AI_MATKEY_COLOR_DIFFUSE, color) == AI_SUCCESS) {
        diffuse[0] = color.r;
        diffuse[1] = color.g;
        diffuse[2] = color.b;
    }
    diffuse[3] = 1;
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, diffuse);
}

// The mesh's triangles as an index list (faces Assimp left with other counts are skipped).
std::vector<GLuint> TriangleIndices(const aiMesh& mesh) {
    std::vector<GLuint> indices;
    indices.reserve(size_t(mesh.mNumFaces) * 3);
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices != 3) {
            continue;
        }
        if (face.mIndices[0] < mesh.mNumVertices && face.mIndices[1] < mesh.mNumVertices &&
            face.mIndices[2] < mesh.mNumVertices) {
            indices.insert(indices.end(), face.mIndices, face.mIndices + 3);
        }
    }
    return indices;
}

void DrawMesh(const aiScene& scene, const aiMesh& mesh, const std::vector<GLuint>& indices,
              const MaterialTextures& textures) {
    if (indices.empty()) {
        return;
    }
    const aiMaterial* material =
        mesh.mMaterialIndex < scene.mNumMaterials ? scene.mMaterials[mesh.mMaterialIndex] : nullptr;
    const GLuint texture = mesh.HasTextureCoords(0) ? textures.ForMaterial(mesh.mMaterialIndex) : 0;
    if (material != nullptr) {
        SetMaterialColor(*material, texture != 0);
    } else {
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, kDefaultDiffuse);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(aiVector3D), mesh.mVertices);
    if (mesh.HasNormals()) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, sizeof(aiVector3D), mesh.mNormals);
    }
    if (mesh.HasVertexColors(0)) {
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, sizeof(aiColor4D), mesh.mColors[0]);
    }
    if (texture != 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, sizeof(aiVector3D), mesh.mTextureCoords[0]);
    }
    glDrawElements(GL_TRIANGLES, GLsizei(indices.size()), GL_UNSIGNED_INT, indices.data());
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_COLOR_MATERIAL);
}

}  // namespace

OffscreenRenderer::~OffscreenRenderer() {
    if (context_ != nullptr) {
        OSMesaDestroyContext(context_);
    }
}

bool OffscreenRenderer::MakeCurrent(uint32_t size, std::string& error) {
    if (context_ == nullptr) {
        context_ = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
        if (context_ == nullptr) {
            error = "the off-screen OpenGL context cannot be made";
            return false;
        }
    }
    if (size != size_) {
        frame_.assign(size_t(size) * size * 4, 0);
        size_ = size;
    }
    if (!OSMesaMakeCurrent(context_, frame_.data(), GL_UNSIGNED_BYTE, GLsizei(size),
                           GLsizei(size))) {
        error = "the off-screen OpenGL context cannot be used";
        return false;
    }
    OSMesaPixelStore(OSMESA_Y_UP, 0);  // row 0 of the buffer is the top of the picture
    return true;
}

bool OffscreenRenderer::Render(const LoadedModel& model, const SceneSurvey& survey, uint32_t size,
                               std::vector<uint8_t>& rgb, std::string& error) {
    if (!MakeCurrent(size, error)) {
        return false;
    }
    const aiScene& scene = *model.scene;
    glViewport(0, 0, GLsizei(size), GLsizei(size));
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SetUpLights();
    const Camera camera = FrameBoundingBox(survey);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(camera.projection.data());
    glMatrixMode(GL_MODELVIEW);
    {
        const MaterialTextures textures(model);
        std::vector<std::vector<GLuint>> indices(scene.mNumMeshes);
        std::vector<bool> built(scene.mNumMeshes, false);
        ForEachMeshInstance(scene,
                            [&](const aiMesh& mesh, unsigned index, const aiMatrix4x4& world) {
                                if (!built[index]) {
                                    indices[index] = TriangleIndices(mesh);
                                    built[index] = true;
                                }
                                glLoadMatrixf(ModelView(camera.view, world).data());
                                DrawMesh(scene, mesh, indices[index], textures);
                                return true;
                            });
        glFinish();
    }
    rgb.resize(size_t(size) * size * 3);
    for (size_t i = 0, n = size_t(size) * size; i < n; ++i) {
        std::memcpy(&rgb[i * 3], &frame_[i * 4], 3);
    }
    return true;
}

}  // namespace render3d
