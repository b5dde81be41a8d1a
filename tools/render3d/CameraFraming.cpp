#include "tools/render3d/CameraFraming.h"

#include <algorithm>
#include <cmath>

namespace render3d {
namespace {

constexpr float kFieldOfViewDegrees = 30.0f;
constexpr float kAzimuthDegrees = 45.0f;
constexpr float kElevationDegrees = 30.0f;
constexpr float kMargin = 1.08f;  // a little white around the model
constexpr float kPi = 3.14159265358979f;

float Radians(float degrees) {
    return degrees * kPi / 180.0f;
}

GLMatrix Multiply(const GLMatrix& a, const GLMatrix& b) {
    GLMatrix product{};
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) {
                sum += a[k * 4 + row] * b[column * 4 + k];
            }
            product[column * 4 + row] = sum;
        }
    }
    return product;
}

GLMatrix LookAt(const aiVector3D& eye, const aiVector3D& target, const aiVector3D& up) {
    const aiVector3D forward = (target - eye).Normalize();
    const aiVector3D side = (forward ^ up).Normalize();
    const aiVector3D upward = side ^ forward;
    return GLMatrix{
        side.x, upward.x, -forward.x, 0, side.y,        upward.y,        -forward.y,    0,
        side.z, upward.z, -forward.z, 0, -(side * eye), -(upward * eye), forward * eye, 1};
}

GLMatrix Perspective(float fovDegrees, float nearPlane, float farPlane) {
    const float f = 1.0f / std::tan(Radians(fovDegrees) / 2);
    GLMatrix m{};
    m[0] = f;
    m[5] = f;
    m[10] = (farPlane + nearPlane) / (nearPlane - farPlane);
    m[11] = -1;
    m[14] = 2 * farPlane * nearPlane / (nearPlane - farPlane);
    return m;
}

}  // namespace

Camera FrameBoundingBox(const SceneSurvey& survey) {
    const aiVector3D center = (survey.min + survey.max) * 0.5f;
    float radius = (survey.max - survey.min).Length() / 2;
    if (!(radius > 0) || !std::isfinite(radius)) {
        radius = 1;  // a single point, or nothing finite: any framing will do
    }
    const float distance = radius * kMargin / std::sin(Radians(kFieldOfViewDegrees) / 2);
    const float elevation = Radians(kElevationDegrees);
    const float azimuth = Radians(kAzimuthDegrees);
    const aiVector3D direction(std::cos(elevation) * std::sin(azimuth), std::sin(elevation),
                               std::cos(elevation) * std::cos(azimuth));
    const aiVector3D eye = center + direction * distance;
    Camera camera;
    camera.view = LookAt(eye, center, aiVector3D(0, 1, 0));
    const float nearPlane = std::max(distance - radius * 1.01f, distance * 0.01f);
    camera.projection = Perspective(kFieldOfViewDegrees, nearPlane, distance + radius * 1.01f);
    return camera;
}

GLMatrix ModelView(const GLMatrix& view, const aiMatrix4x4& world) {
    const GLMatrix model{world.a1, world.b1, world.c1, world.d1, world.a2, world.b2,
                         world.c2, world.d2, world.a3, world.b3, world.c3, world.d3,
                         world.a4, world.b4, world.c4, world.d4};
    return Multiply(view, model);
}

}  // namespace render3d
