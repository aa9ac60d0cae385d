// The records the scene side (render/) hands the pixel side (raster/):
// projected vertices, per-normal shades and the surface state of one shape.
// render/ fills these and calls the Rasterizer's operations (rasterizer.h);
// raster/ never sees a node.
#pragma once

#include <cstdint>
#include <string>

#include "raster/bitmap.h"

// Clip-code bits of RasterVertex::outcode.
enum OutcodeBit : int32_t {
    kOutLeft = 1,     // sx < 0
    kOutRight = 2,    // sx > screen width
    kOutTop = 4,      // sy < 0
    kOutBottom = 8,   // sy > screen height
    kOutNear = 16,    // not in front of the near plane; no other bit is set then
    kOutFar = 32,     // beyond the far distance
};

// One transformed mesh coordinate (12 words, and 3 more for per-vertex
// colour). x, y, z are camera space (the camera looks down -z, y up); sx, sy,
// perspective are valid unless outcode is kOutNear. u, v, shade (and red,
// green, blue when the faces are coloured) are loaded per face corner by the
// rasterizer; uPersp and vPersp are u and v times (texture size - 1) times
// perspective.
struct RasterVertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float u = 0.0f, v = 0.0f;  // v holds 1 - t, so t = 1 is the top image row
    float shade = 0.0f;
    int32_t outcode = 0;
    float sx = 0.0f, sy = 0.0f;
    float perspective = 0.0f;  // focal / z, positive in front of the camera
    float uPersp = 0.0f, vPersp = 0.0f;
    // Coloured faces only (drawIndexedFacesColoured): the corner's colour in
    // channel units, 0..255 (its 0..1 colour times 255).
    float red = 0.0f, green = 0.0f, blue = 0.0f;
};

// One entry of the shades array: a normal turned into camera space and the
// summed light intensity on it (0 or more, may exceed 1).
struct ShadeEntry {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float intensity = 0.0f;
};

// A cached texture: a square power-of-two bitmap (side 32, 64, 128 or 256) and
// the full image name it was loaded under. Owned by the texture cache.
struct TextureEntry {
    Bitmap* bitmap = nullptr;  // owned by the entry
    std::u16string name;
};

// Surface attributes of the shape being drawn.
struct SurfaceState {
    uint8_t textured = 0;  // the appearance has a texture with a loaded image
    uint8_t opaque = 0;    // selects the opaque or the transparent pass
    uint8_t lit = 0;       // per-vertex shading is used
    float diffuse[3] = {1.0f, 1.0f, 1.0f};
    float emissive[3] = {0.5f, 0.5f, 0.5f};
    float transparency = 0.0f;
    const TextureEntry* texture = nullptr;  // not owned; null when untextured
};
