// The full profile's lights: their collection in the traversal and the
// lighting of samples (full_lighting.h has the model).
#include "render/full_lighting.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "render/matrix.h"
#include "scene/full_light_record.h"
#include "scene/full_surface_nodes.h"
#include "scene/light_nodes.h"
#include "scene/node_types.h"
#include "scene/scene.h"

namespace {

// Scene lights collected per frame, of every kind together; the headlight
// comes on top.
constexpr int32_t kMaxSceneLights = 4;
// Samples the terms array may hold: two 16-byte entries each, the byte count
// kept inside 32 bits.
constexpr int32_t kMaxSamples = 134217728;
// The highlight exponent is shininess x 128, shininess held to 0..1.
constexpr float kShininessScale = 128.0f;

bool finite(const Vec3f& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

float dot(const Vec3f& a, const Vec3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3f scaled(const Vec3f& v, float s) { return {v.x * s, v.y * s, v.z * s}; }

// The factor by which the matrix's linear part scales lengths: the cube root
// of its determinant's magnitude (exact for uniform scales, the mean for
// others).
float lengthScale(const Matrix& m) {
    const float* a = m.m;
    const float det = a[0] * (a[4] * a[8] - a[5] * a[7]) - a[1] * (a[3] * a[8] - a[5] * a[6]) +
                      a[2] * (a[3] * a[7] - a[4] * a[6]);
    return std::cbrt(std::fabs(det));
}

void addScaled(Color4f& sum, const Color4f& colour, float factor) {
    sum.r += colour.r * factor;
    sum.g += colour.g * factor;
    sum.b += colour.b * factor;
}

}  // namespace

void collectFullLight(Scene& scene, const X3DLightNode& light, const Matrix& full, const Matrix& rotation) {
    SimpleArray<FullLightRecord>& lights = scene.fullLighting.lights;
    if (lights.count >= kMaxSceneLights) return;
    if (!light.on.value) return;
    FullLightRecord record;
    record.colour = light.color.value;
    record.ambientIntensity = light.ambientIntensity.value;
    record.intensity = light.intensity.value;
    Vec3f location, attenuation, direction;
    float radius = 0.0f;
    switch (light.nodeType) {
    case NodeType::DirectionalLight:
        record.kind = FullLightRecord::Kind::Directional;
        direction = static_cast<const nDirectionalLight&>(light).direction.value;
        break;
    case NodeType::PointLight: {
        const auto& point = static_cast<const nPointLight&>(light);
        record.kind = FullLightRecord::Kind::Point;
        location = point.location.value;
        attenuation = point.attenuation.value;
        radius = point.radius.value;
        break;
    }
    case NodeType::SpotLight: {
        const auto& spot = static_cast<const nSpotLight&>(light);
        record.kind = FullLightRecord::Kind::Spot;
        location = spot.location.value;
        attenuation = spot.attenuation.value;
        radius = spot.radius.value;
        direction = spot.direction.value;
        record.beamWidth = spot.beamWidth.value;
        record.cutOffAngle = spot.cutOffAngle.value;
        break;
    }
    default:
        return;
    }
    // Only the rotations above the light turn its direction.
    normalizeVector(direction);
    transformDirection(rotation, direction);
    record.direction = direction;
    if (record.kind != FullLightRecord::Kind::Directional) {
        record.location = transformPoint(full, location);
        const float scale = lengthScale(full);
        // A light flattened by a scale of 0 lights nothing.
        if (!(scale > 0.0f) || !std::isfinite(scale)) return;
        record.radius = radius * scale;
        record.distanceScale = 1.0f / scale;
        record.attenuation = attenuation;
    }
    const Color4f& c = record.colour;
    const bool usable = finite(record.direction) && finite(record.location) && finite(record.attenuation) &&
                        std::isfinite(record.radius) && std::isfinite(c.r) && std::isfinite(c.g) &&
                        std::isfinite(c.b) && std::isfinite(record.ambientIntensity) &&
                        std::isfinite(record.intensity) && std::isfinite(record.beamWidth) &&
                        std::isfinite(record.cutOffAngle);
    if (usable) lights.append(record);  // a failed append drops the light
}

void appendFullHeadlight(Scene& scene) {
    FullLightRecord headlight;  // white, intensity 1, no ambient, along -z
    scene.fullLighting.lights.append(headlight);
}

bool lightSamples(Scene& scene, const Matrix& normalMatrix, int32_t pointCount, std::span<const int32_t> pointIndex,
                  std::span<const Vec3f> normals, std::span<const int32_t> normalIndex, bool frontNormals,
                  int32_t count, const MaterialTerms& material, bool twoSided, int32_t recordIndex) {
    FullLighting& f = scene.fullLighting;
    if (count > f.termCapacity) {
        if (count >= kMaxSamples) return false;
        std::unique_ptr<Color4f[]> fresh(new (std::nothrow) Color4f[2 * static_cast<std::size_t>(count)]);
        if (!fresh) return false;
        f.terms = std::move(fresh);
        f.termCapacity = count;
    }

    // At most five lights: copy them next to the loop.
    FullLightRecord light[kMaxSceneLights + 1];
    int32_t lightCount = 0;
    for (int32_t k = 0; k < f.lights.count && lightCount < kMaxSceneLights + 1; ++k) {
        const FullLightRecord& candidate = f.lights[k];
        if (recordIndex == kAnyRecord || (recordIndex >= candidate.scopeFirst && recordIndex < candidate.scopeEnd))
            light[lightCount++] = candidate;
    }
    const Color4f& specular = material.specular;
    const bool specularOn = specular.r > 0.0f || specular.g > 0.0f || specular.b > 0.0f;
    const float exponent = std::clamp(material.shininess, 0.0f, 1.0f) * kShininessScale;
    const float ambient = material.ambientIntensity;
    // Turned into camera space, a back normal becomes the front one by a
    // change of sign.
    const float sign = frontNormals ? 1.0f : -1.0f;
    const float* l = normalMatrix.m;
    const RasterVertex* vertices = scene.rasterVertices.get();
    Color4f* terms = f.terms.get();

    for (int32_t i = 0; i < count; ++i) {
        Color4f& diffuseTerm = terms[2 * i];
        Color4f& specularTerm = terms[2 * i + 1];
        diffuseTerm = Color4f{};
        specularTerm = Color4f{};
        const int32_t p = pointIndex.empty() ? i : pointIndex[static_cast<std::size_t>(i)];
        const int32_t n = normalIndex.empty() ? i : normalIndex[static_cast<std::size_t>(i)];
        if (p < 0 || p >= pointCount || n < 0 || static_cast<std::size_t>(n) >= normals.size()) continue;
        const RasterVertex& v = vertices[p];
        const Vec3f position{v.x, v.y, v.z};
        const Vec3f& stored = normals[static_cast<std::size_t>(n)];
        Vec3f normal{sign * (stored.x * l[0] + stored.y * l[3] + stored.z * l[6]),
                     sign * (stored.x * l[1] + stored.y * l[4] + stored.z * l[7]),
                     sign * (stored.x * l[2] + stored.y * l[5] + stored.z * l[8])};
        normalizeVector(normal);
        Vec3f toEye = scaled(position, -1.0f);
        normalizeVector(toEye);

        for (int32_t k = 0; k < lightCount; ++k) {
            const FullLightRecord& source = light[k];
            Vec3f toLight = scaled(source.direction, -1.0f);
            float factor = 1.0f;
            if (source.kind != FullLightRecord::Kind::Directional) {
                const Vec3f offset{source.location.x - position.x, source.location.y - position.y,
                                   source.location.z - position.z};
                const float distance = std::sqrt(dot(offset, offset));
                if (!(distance <= source.radius)) continue;
                toLight = distance > 0.0f ? scaled(offset, 1.0f / distance) : Vec3f{0.0f, 0.0f, 0.0f};
                const float d = distance * source.distanceScale;
                const Vec3f& a = source.attenuation;
                factor = 1.0f / std::max(a.x + a.y * d + a.z * d * d, 1.0f);
                if (source.kind == FullLightRecord::Kind::Spot) {
                    const float cosine = std::clamp(-dot(toLight, source.direction), -1.0f, 1.0f);
                    const float angle = std::acos(cosine);
                    if (angle >= source.cutOffAngle) continue;
                    if (angle > source.beamWidth)
                        factor *= (angle - source.cutOffAngle) / (source.beamWidth - source.cutOffAngle);
                }
            }
            float facing = dot(normal, toLight);
            Vec3f side = normal;
            if (twoSided && facing < 0.0f) {
                facing = -facing;
                side = scaled(normal, -1.0f);
            }
            const float diffuse = source.intensity * std::max(facing, 0.0f);
            addScaled(diffuseTerm, source.colour, factor * (source.ambientIntensity * ambient + diffuse));
            if (specularOn && facing > 0.0f) {
                Vec3f halfway{toLight.x + toEye.x, toLight.y + toEye.y, toLight.z + toEye.z};
                normalizeVector(halfway);
                const float alignment = dot(side, halfway);
                if (alignment > 0.0f)
                    addScaled(specularTerm, source.colour, factor * source.intensity * std::pow(alignment, exponent));
            }
        }
    }
    return true;
}

void scopeDirectionalLights(Scene& scene, int32_t firstLight, int32_t firstRecord) {
    SimpleArray<FullLightRecord>& lights = scene.fullLighting.lights;
    for (int32_t k = firstLight; k < lights.count; ++k) {
        FullLightRecord& light = lights[k];
        if (light.kind != FullLightRecord::Kind::Directional || light.scopeEnd != INT32_MAX) continue;
        light.scopeFirst = firstRecord;
        light.scopeEnd = scene.renderRecords.count;
    }
}
