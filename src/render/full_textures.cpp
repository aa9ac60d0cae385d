// PixelTexture pictures, texture entries and TextureTransforms.
//
// A PixelTexture is made once, when the world's nodes are prepared, like an
// ImageTexture's loaded image, and kept in the rasterizer's texture cache.
// Pixel textures are mostly tiny (2 x 2 checks, 8 x 8 patterns); the
// bilinear resampling that suits photographs would smear them into
// gradients that no longer tile, so sides that are powers of two are
// widened by repeating texels instead.
//
// A TextureTransform moves the texture coordinates of a shape at every draw
// (its fields may be animated), into a scratch array the Scene keeps.
#include "render/full_textures.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "raster/rasterizer.h"
#include "raster/texture_cache.h"
#include "base/rgb565.h"
#include "scene/fields.h"
#include "scene/full_texture_nodes.h"
#include "scene/node_types.h"
#include "scene/scene.h"
#include "scene/shape_nodes.h"

namespace {

// The cache name of every PixelTexture entry. It begins with a NUL
// character, which no file name loaded by getTexture can hold (the loader
// sees names up to their first NUL), so it never stands for an image file.
const std::u16string kPixelTextureName = std::u16string(1, u'\0') + u"PixelTexture";

constexpr int32_t kMostComponents = 4;
constexpr uint32_t kByte = 0xFF;
constexpr uint8_t kOpaque = 255;

bool powerOfTwo(int32_t n) { return n > 0 && (n & (n - 1)) == 0; }

// One pixel's colour and opacity from its number.
void decodePixel(uint32_t number, int32_t components, uint16_t& colour, uint8_t& alpha) {
    uint32_t r, g, b;
    alpha = kOpaque;
    switch (components) {
    case 1: r = g = b = number & kByte; break;
    case 2:
        r = g = b = (number >> 8) & kByte;
        alpha = static_cast<uint8_t>(number & kByte);
        break;
    case 3:
        r = (number >> 16) & kByte;
        g = (number >> 8) & kByte;
        b = number & kByte;
        break;
    default:
        r = (number >> 24) & kByte;
        g = (number >> 16) & kByte;
        b = (number >> 8) & kByte;
        alpha = static_cast<uint8_t>(number & kByte);
        break;
    }
    colour = rgb565FromBytes(r, g, b);
}

}  // namespace

OwnedBitmap pixelTextureBitmap(const PixelImage& image) {
    const int32_t width = image.width, height = image.height, components = image.components;
    if (width < 1 || height < 1 || components < 1 || components > kMostComponents) return nullptr;
    if (static_cast<int64_t>(width) * height != image.pixels.count) return nullptr;

    const int32_t side = std::max(textureSize(width), textureSize(height));
    const bool widen = powerOfTwo(width) && powerOfTwo(height) && width <= side && height <= side;
    const bool withAlpha = components == 2 || components == 4;
    // Widened pictures are made at the texture's side at once; others at
    // their own size, then resampled.
    const int32_t repeatX = widen ? side / width : 1;
    const int32_t repeatY = widen ? side / height : 1;
    OwnedBitmap picture = newBitmap(width * repeatX, height * repeatY, withAlpha);
    if (!picture) return nullptr;

    const int32_t outWidth = picture->width;
    for (int32_t row = 0; row < height; ++row) {
        // The image's first row is its bottom one; the bitmap's is its top.
        const uint32_t* in = image.pixels.items + static_cast<int64_t>(height - 1 - row) * width;
        for (int32_t column = 0; column < width; ++column) {
            uint16_t colour;
            uint8_t alpha;
            decodePixel(in[column], components, colour, alpha);
            for (int32_t dy = 0; dy < repeatY; ++dy) {
                const int64_t at = (static_cast<int64_t>(row) * repeatY + dy) * outWidth + column * repeatX;
                for (int32_t dx = 0; dx < repeatX; ++dx) {
                    picture->pixels[at + dx] = colour;
                    if (withAlpha) picture->alpha[at + dx] = alpha;
                }
            }
        }
    }
    return makeTextureBitmap(std::move(picture));
}

void nPixelTexture::prepare(Scene* scene) {
    textureEntry = nullptr;
    if (!scene || !scene->rasterizer) return;
    OwnedBitmap picture = pixelTextureBitmap(image.value);
    if (!picture) return;
    textureEntry = scene->rasterizer->addTexture(std::move(picture), kPixelTextureName);
}

const TextureEntry* textureEntryOf(const X3DNode* textureNode) {
    if (!textureNode) return nullptr;
    if (textureNode->nodeType == NodeType::ImageTexture)
        return static_cast<const nImageTexture&>(*textureNode).textureEntry;
    if (textureNode->nodeType == NodeType::PixelTexture)
        return static_cast<const nPixelTexture&>(*textureNode).textureEntry;
    return nullptr;
}

const nTextureTransform* textureTransformOf(const nShape* shape) {
    if (!shape) return nullptr;
    const auto* appearance = dynamic_cast<const nAppearanceFull*>(shape->appearance.value);
    if (!appearance) return nullptr;
    const X3DNode* transform = appearance->textureTransform.value;
    if (!transform || transform->nodeType != NodeType::TextureTransform) return nullptr;
    return static_cast<const nTextureTransform*>(transform);
}

Vec2f transformTexturePoint(const nTextureTransform& transform, const Vec2f& point) {
    const Vec2f& c = transform.center.value;
    const Vec2f& s = transform.scale.value;
    const Vec2f& t = transform.translation.value;
    const double angle = static_cast<double>(transform.rotation.value);
    const float cosine = static_cast<float>(std::cos(angle));
    const float sine = static_cast<float>(std::sin(angle));
    const float x = point.x + t.x + c.x;
    const float y = point.y + t.y + c.y;
    const float turnedX = x * cosine - y * sine;
    const float turnedY = x * sine + y * cosine;
    return Vec2f{turnedX * s.x - c.x, turnedY * s.y - c.y};
}

std::span<const Vec2f> transformTexturePoints(const nTextureTransform& transform, std::span<const Vec2f> points,
                                              SimpleArray<Vec2f>& scratch) {
    scratch.clear();
    const auto count = static_cast<int64_t>(points.size());
    if (count > scratch.capacity && (count > SimpleArray<Vec2f>::maxCount() ||
                                     !scratch.resetReserve(static_cast<int32_t>(count))))
        return points;
    for (const Vec2f& p : points) scratch.append(transformTexturePoint(transform, p));
    return std::span<const Vec2f>(scratch.items, static_cast<std::size_t>(scratch.count));
}

std::span<const Vec2f> Scene::shapeTexturePoints(const RenderRecord& record, std::span<const Vec2f> points) {
    if (!record.surface.textured || points.empty()) return points;
    const nTextureTransform* transform = textureTransformOf(record.shape);
    if (!transform) return points;
    return transformTexturePoints(*transform, points, texPointScratch);
}
