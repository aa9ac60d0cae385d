// The full profile's texture work on the scene side: the picture of a
// PixelTexture, the texture entry of either texture node, and the texture
// coordinates a TextureTransform moves. The Scene's part (the scratch array
// the moved coordinates live in for one draw) is Scene::shapeTexturePoints.
#pragma once

#include <span>

#include "raster/bitmap.h"
#include "base/simple_array.h"
#include "base/values.h"

struct PixelImage;
struct TextureEntry;
class X3DNode;
class nShape;
class nTextureTransform;

// The texture picture of a whole image (1 grey, 2 grey and alpha, 3 RGB or 4
// RGBA components per pixel, each a byte of its number, the first component
// highest; rows from the bottom up): a square bitmap of side s =
// max(textureSize(width), textureSize(height)), the top image row first.
// Sides that are powers of two no larger than s are widened by repeating
// every texel (s / width times across, s / height times down), so a small
// picture keeps its crisp texels and repeats seamlessly; any other size is
// resampled like a loaded image (makeTextureBitmap). An alpha plane is kept
// for 2 and 4 components when the picture is not resampled. Null when the
// image is not whole (no pixels, a size of 0, 0 or more than 4 components)
// or memory runs out.
OwnedBitmap pixelTextureBitmap(const PixelImage& image);

// The loaded texture entry of an ImageTexture or a PixelTexture node; null
// for any other node, a null node or a texture whose picture could not be
// had.
const TextureEntry* textureEntryOf(const X3DNode* textureNode);

// The TextureTransform of the shape's appearance (a full-profile Appearance
// whose "textureTransform" holds one), or null.
const nTextureTransform* textureTransformOf(const nShape* shape);

// (s, t) moved by the transform: translation, + centre, rotation
// (counter-clockwise by the angle in radians), scale, - centre.
Vec2f transformTexturePoint(const nTextureTransform& transform, const Vec2f& point);

// Every point moved by transformTexturePoint into `scratch` (its storage
// reused); the span of scratch. The points themselves when scratch cannot
// grow (the texture then shows unmoved).
std::span<const Vec2f> transformTexturePoints(const nTextureTransform& transform, std::span<const Vec2f> points,
                                              SimpleArray<Vec2f>& scratch);

// The texture coordinates an IndexedFaceSet without a TextureCoordinate
// node gets, one per point, into `out` (its storage reused): s runs from 0 to
// 1 along the longest side of the points' box and t from 0 along the second
// longest, in the same units (so it ends at that side's share of the
// longest); ties go to x, then y, then z. False, with `out` emptied, when
// there are no points, the box is flat in every direction or not finite, or
// storage cannot be had.
bool defaultTexturePoints(const SimpleArray<Vec3f>& points, SimpleArray<Vec2f>& out);
