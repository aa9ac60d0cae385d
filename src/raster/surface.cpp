// Per-shape span modes: which filler case runs, the colours as bytes, the
// blending rows of the weight table and the texel addressing.
#include "raster/fixed_point.h"
#include "raster/rasterizer.h"

namespace {

constexpr float kByteScale = 255.0f;
constexpr int32_t kWeightRowStride = 256;  // one weight-table row per 8-bit weight

// Colours and transparency outside 0..1 (or NaN) would index past the weight
// table or wrap a byte; hold them to the range first.
float unitClamp(float value) {
    if (!(value > 0.0f)) return 0.0f;
    return value < 1.0f ? value : 1.0f;
}

uint8_t toByte(float unit) { return static_cast<uint8_t>(static_cast<int32_t>(unit * kByteScale)); }

struct TextureAddressing {
    int32_t size;
    int32_t log2Size;
};

// The texture sizes the fillers can address with a mask and a shift.
constexpr TextureAddressing kTextureSizes[] = {{256, 8}, {128, 7}, {64, 6}, {32, 5}};

}  // namespace

void Rasterizer::beginSurface(const SurfaceState& surface) {
    textureMode = (surface.texture != nullptr && surface.textured) ? 1 : 0;
    shadeMode = surface.lit ? 1 : 0;
    opaqueMode = (surface.transparency > 0.0f) ? 0 : 1;

    const int32_t t = static_cast<int32_t>(unitClamp(surface.transparency) * kByteScale);
    oldWeightRow = t * kWeightRowStride;
    newWeightRow = (255 - t) * kWeightRowStride;

    const float dr = unitClamp(surface.diffuse[0]);
    const float dg = unitClamp(surface.diffuse[1]);
    const float db = unitClamp(surface.diffuse[2]);
    const float er = unitClamp(surface.emissive[0]);
    const float eg = unitClamp(surface.emissive[1]);
    const float eb = unitClamp(surface.emissive[2]);
    diffuseR = toByte(dr);
    diffuseG = toByte(dg);
    diffuseB = toByte(db);
    emissiveR = toByte(er);
    emissiveG = toByte(eg);
    emissiveB = toByte(eb);
    emissivePixel = packRgb565(er, eg, eb);

    textureBitmap = nullptr;
    if (!textureMode) return;
    const Bitmap* bitmap = surface.texture->bitmap;
    textureMode = 0;
    if (!bitmap || !bitmap->pixels || bitmap->width != bitmap->height) return;
    for (const TextureAddressing& entry : kTextureSizes) {
        if (bitmap->width != entry.size) continue;
        textureMode = 1;
        textureBitmap = bitmap;
        texMask = (entry.size - 1) << raster::kFractionBits;  // texel row bits of a 16.16 v
        texRowShift = raster::kFractionBits - entry.log2Size;  // row bits down to row * size
        texScaleU = static_cast<float>(entry.size - 1);
        texScaleV = texScaleU;
        return;
    }
}
