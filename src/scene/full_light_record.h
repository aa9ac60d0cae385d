// What the full profile's lighting keeps per frame: every light of the frame
// in camera space (directional, point and spot lights together, the
// headlight on top), and the working arrays of the shape being lit. Filled
// by render/full_lighting.cpp; held by the Scene.
#pragma once

#include <cstdint>
#include <memory>

#include "raster/raster_types.h"
#include "base/simple_array.h"
#include "base/values.h"

struct FullLightRecord {
    enum class Kind : uint8_t { Directional, Point, Spot };
    Kind kind = Kind::Directional;
    Color4f colour{1.0f, 1.0f, 1.0f, 0.0f};
    float ambientIntensity = 0.0f;
    float intensity = 1.0f;
    // Directional: the direction the light travels; spot: its axis. Camera
    // space, unit (or zero when the file gave zero).
    Vec3f direction{0.0f, 0.0f, -1.0f};
    // Point and spot lights: camera-space location, the radius in camera
    // units, and the factor that turns a camera-space distance into one in
    // the light's own coordinate system (where attenuation is given).
    Vec3f location{0.0f, 0.0f, 0.0f};
    float radius = 0.0f;
    float distanceScale = 1.0f;
    Vec3f attenuation{1.0f, 0.0f, 0.0f};
    float beamWidth = 0.0f;    // spot only, radians
    float cutOffAngle = 0.0f;  // spot only, radians
    // The render records the light shines on: [scopeFirst, scopeEnd). A
    // DirectionalLight lights only what its parent group holds, the records
    // made while that group was visited; the others light every record.
    int32_t scopeFirst = 0;
    int32_t scopeEnd = INT32_MAX;
};

// The lights of the frame and the arrays of the shape being lit. The arrays
// only grow; their contents belong to the shape being drawn.
struct FullLighting {
    SimpleArray<FullLightRecord> lights;  // at most four scene lights, then the headlight

    std::unique_ptr<Color4f[]> terms;  // per lighting sample: ambient + diffuse factor, specular factor
    int32_t termCapacity = 0;          // samples (two entries each)
    std::unique_ptr<Color4f[]> colours;  // per drawn colour entry, 0..1
    int32_t colourCapacity = 0;
    std::unique_ptr<int32_t[]> sequence;  // 0, 1, 2, ...: an index list naming every entry in order
    int32_t sequenceCapacity = 0;
    std::unique_ptr<ShadeEntry[]> shades;  // textured lit shapes: one intensity per sample
    int32_t shadeCapacity = 0;
};
