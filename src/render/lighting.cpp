// Lighting: directional lights only, each a camera-space direction and an
// intensity. No ambient or specular term, no light colour, no attenuation.
//
// Each normal of a mesh is turned into camera space with the rotation-only
// matrix and gets one intensity, the sum over the frame's lights of
// direction . normal x intensity, positive parts only (one-sided) or absolute
// values (two-sided). The stored normals point to the back of their faces, so
// a front face lit by a light travelling towards it gets a positive product.
// The rasterizer interpolates the intensity per pixel.
#include <cmath>
#include <memory>
#include <new>

#include "render/matrix.h"
#include "scene/light_nodes.h"
#include "scene/scene.h"

namespace {

// Scene lights collected per frame; the headlight comes on top.
constexpr int32_t kMaxSceneLights = 4;
// The shades array's byte count must fit in 32 bits (16 bytes per entry).
constexpr int32_t kMaxShadeEntries = 268435456;

}  // namespace

void Scene::collectLight(const nDirectionalLight& light, const Matrix& normalMatrix) {
    if (lights.count >= kMaxSceneLights) return;
    if (!light.on.value) return;
    Vec3f d = light.direction.value;
    normalizeVector(d);
    // Only the rotations above the light turn it: normalMatrix has no scale.
    transformDirection(normalMatrix, d);
    // A light of infinite strength or direction would light nothing but NaN.
    const float intensity = light.intensity.value;
    if (!std::isfinite(d.x) || !std::isfinite(d.y) || !std::isfinite(d.z) || !std::isfinite(intensity)) return;
    lights.append(LightRecord{d.x, d.y, d.z, intensity});  // a failed append drops the light
}

bool Scene::lightNormals(const Matrix& normalMatrix, const SimpleArray<Vec3f>& normals, bool twoSided) {
    const int32_t count = normals.count;
    if (count > shadeCapacity) {
        if (count >= kMaxShadeEntries) return false;
        std::unique_ptr<ShadeEntry[]> fresh(new (std::nothrow) ShadeEntry[count]);
        if (!fresh) return false;
        shades = std::move(fresh);
        shadeCapacity = count;
    }

    // At most five lights: copy them next to the loop.
    LightRecord light[kMaxSceneLights + 1];
    int32_t lightCount = 0;
    for (int32_t k = 0; k < lights.count && lightCount < kMaxSceneLights + 1; ++k) light[lightCount++] = lights[k];
    const float* l = normalMatrix.m;
    const Vec3f* in = normals.items;
    ShadeEntry* out = shades.get();
    for (int32_t i = 0; i < count; ++i) {
        const Vec3f n = in[i];
        ShadeEntry& s = out[i];
        s.x = n.x * l[0] + n.y * l[3] + n.z * l[6];
        s.y = n.x * l[1] + n.y * l[4] + n.z * l[7];
        s.z = n.x * l[2] + n.y * l[5] + n.z * l[8];
        float sum = 0.0f;
        for (int32_t k = 0; k < lightCount; ++k) {
            const float p = (light[k].x * s.x + light[k].y * s.y + light[k].z * s.z) * light[k].intensity;
            if (p > 0.0f) sum += p;
            else if (twoSided) sum -= p;
        }
        s.intensity = sum;
    }
    return true;
}
