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

bool defaultTexturePoints(const SimpleArray<Vec3f>& points, SimpleArray<Vec2f>& out) {
    out.clear();
    if (points.count == 0) return false;
    float low[3] = {points[0].x, points[0].y, points[0].z};
    float high[3] = {low[0], low[1], low[2]};
    for (int32_t i = 1; i < points.count; ++i) {
        const float p[3] = {points[i].x, points[i].y, points[i].z};
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], p[a]);
            high[a] = std::max(high[a], p[a]);
        }
    }
    const float size[3] = {high[0] - low[0], high[1] - low[1], high[2] - low[2]};
    for (float side : size)
        if (!std::isfinite(side)) return false;
    // The longest side, then the longest of the other two; a strict
    // comparison keeps the earlier axis on a tie.
    int sAxis = 0;
    for (int a = 1; a < 3; ++a)
        if (size[a] > size[sAxis]) sAxis = a;
    int tAxis = sAxis == 0 ? 1 : 0;
    for (int a = 0; a < 3; ++a)
        if (a != sAxis && size[a] > size[tAxis]) tAxis = a;
    if (!(size[sAxis] > 0.0f)) return false;
    if (!out.resetReserve(points.count)) return false;
    const float scale = 1.0f / size[sAxis];
    for (int32_t i = 0; i < points.count; ++i) {
        const float p[3] = {points[i].x, points[i].y, points[i].z};
        out.append(Vec2f{(p[sAxis] - low[sAxis]) * scale, (p[tAxis] - low[tAxis]) * scale});
    }
    return true;
}
