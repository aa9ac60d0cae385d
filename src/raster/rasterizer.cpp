#include "raster/rasterizer.h"

#include "raster/band_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
constexpr int kWeightRows = 256;
constexpr int kWeightColumns = 256;
}  // namespace

Rasterizer::Rasterizer() {
    for (int i = 1; i <= 16; ++i) reciprocals[i] = 1.0f / static_cast<float>(i);
    weightTable = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * kWeightRows * kWeightColumns));
    if (weightTable) {
        // Row k scales an 8-bit channel value j by k / 255.
        for (int k = 0; k < kWeightRows; ++k) {
            for (int j = 0; j < kWeightColumns; ++j) weightTable[k * kWeightColumns + j] = (j * k) / 255;
        }
    }
}

Rasterizer::~Rasterizer() {
    // The bands borrow the depth buffer and the weight table.
    flush();
    bands.reset();
    std::free(weightTable);
    std::free(depth);
    for (TextureEntry* entry : textureCache) {
        if (!entry) continue;
        releaseBitmap(entry->bitmap);
        delete entry->bitmap;
        delete entry;
    }
}

void Rasterizer::setFieldOfView(float angle) {
    const int32_t half = std::min(targetWidth >> 1, targetHeight >> 1);
    focal = static_cast<float>(-static_cast<double>(half) / std::tan(static_cast<double>(angle) * 0.5));
}

void Rasterizer::setCamera(float nearDistance, float farDistance, float focalLength) {
    near = nearDistance;
    far = farDistance;
    focal = focalLength;
}
