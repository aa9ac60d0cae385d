// The texture cache. Entries are searched in order of first load by exact,
// case-sensitive name; a miss loads the image, converts it and appends the
// entry. A failed load caches nothing, so the next world that names the same
// image tries the file (or URL) again. Entries are released only with the
// Rasterizer.
#include "raster/texture_cache.h"

#include <new>
#include <string>
#include <utility>

#include "raster/image_source.h"
#include "raster/rasterizer.h"

namespace {

// Texture loads pass no transparent colour, no alpha value and 0 reserved.
constexpr int32_t kNoValue = -1;

// Sides from this on do not fit 16.16 source coordinates in 32 bits.
constexpr int32_t kResampleLimit = 1 << 15;
// Thinning brings a side down to at most this many pixels.
constexpr int32_t kThinnedSide = 1 << 14;

constexpr int kFractionBits = 16;

// Every stepX-th column of every stepY-th row, starting with the first: a
// picture the resampler can take, from one it cannot.
OwnedBitmap thinned(const Bitmap& image, int32_t stepX, int32_t stepY) {
    const int32_t width = (image.width + stepX - 1) / stepX;
    const int32_t height = (image.height + stepY - 1) / stepY;
    OwnedBitmap out = newBitmap(width, height, false);
    if (!out) return nullptr;
    for (int32_t y = 0; y < height; ++y) {
        const uint16_t* in = image.pixels + static_cast<int64_t>(y) * stepY * image.width;
        uint16_t* row = out->pixels + static_cast<int64_t>(y) * width;
        for (int32_t x = 0; x < width; ++x) row[x] = in[static_cast<int64_t>(x) * stepX];
    }
    return out;
}

}  // namespace

int32_t textureSize(int32_t n) {
    if (n < 32) return 32;
    if (n < 64) return n - 32 >= 64 - n ? 64 : 32;
    if (n < 128) return n - 64 < 128 - n ? 64 : 128;  // strict: the tie, 96, also goes up
    if (n < 256) return n - 128 >= 256 - n ? 256 : 128;
    return 256;
}

OwnedBitmap makeTextureBitmap(OwnedBitmap image) {
    if (!image || !image->pixels || image->width < 1 || image->height < 1) return nullptr;
    const int32_t widthSide = textureSize(image->width);
    const int32_t heightSide = textureSize(image->height);
    const int32_t side = widthSide > heightSide ? widthSide : heightSide;
    if (image->width == side && image->height == side) return image;

    if (image->width >= kResampleLimit || image->height >= kResampleLimit) {
        const int32_t stepX = (image->width + kThinnedSide - 1) / kThinnedSide;
        const int32_t stepY = (image->height + kThinnedSide - 1) / kThinnedSide;
        image = thinned(*image, stepX, stepY);
        if (!image) return nullptr;
    }
    OwnedBitmap texture = newBitmap(side, side, false);
    if (!texture) return nullptr;
    resampleBitmap(texture.get(), image.get(), 0, 0, image->width << kFractionBits, image->height << kFractionBits);
    return texture;
}

const TextureEntry* Rasterizer::getTexture(const std::u16string& name) {
    for (const TextureEntry* entry : textureCache) {
        if (entry && entry->name == name) return entry;
    }
    if (!driver) return nullptr;
    // The loader is handed a zero-terminated name: it sees the name up to a
    // NUL character, if the name holds one.
    const std::u16string loadName = name.substr(0, name.find(u'\0'));
    return addTexture(driver->loadImage(loadName, kNoValue, kNoValue, 0), name);
}

const TextureEntry* Rasterizer::addTexture(OwnedBitmap picture, const std::u16string& name) {
    OwnedBitmap texture = makeTextureBitmap(std::move(picture));
    if (!texture) return nullptr;
    auto* entry = new (std::nothrow) TextureEntry{texture.get(), name};
    if (!entry) return nullptr;
    if (!textureCache.append(entry)) {
        delete entry;
        return nullptr;
    }
    texture.release();  // the entry owns it now
    return entry;
}
