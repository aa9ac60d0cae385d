// The texture nodes of the full profile: an Appearance that also holds a
// TextureTransform, an ImageTexture that reads its repeat flags, the
// PixelTexture whose image is written in the file, and the TextureTransform
// itself. The first two keep the NodeType of their core class and derive
// from it, so the frame's casts by NodeType stay right.
//
// The rasterizer only repeats textures: repeatS and repeatT are read and
// kept, and a texture is drawn repeating whatever they say.
#pragma once

#include "scene/field_codes.h"
#include "scene/fields.h"
#include "scene/node.h"
#include "scene/node_types.h"
#include "scene/shape_nodes.h"

class nAppearanceFull : public nAppearance {
public:
    fSFNode textureTransform{this, FieldCode::textureTransform};
};

class nImageTextureFull : public nImageTexture {
public:
    fSFBool repeatS{this, FieldCode::repeatS, true};
    fSFBool repeatT{this, FieldCode::repeatT, true};
};

class nPixelTexture : public X3DNode {
public:
    fSFImage image{this, FieldCode::image};
    fSFBool repeatS{this, FieldCode::repeatS, true};
    fSFBool repeatT{this, FieldCode::repeatT, true};
    // working state
    const TextureEntry* textureEntry = nullptr;  // not owned (the texture cache owns it)

    nPixelTexture() : X3DNode(NodeCategory::Other) {}
    // Turns a whole image into a texture of the scene's rasterizer
    // (pixelTextureBitmap, then addTexture); an image that is not whole, or
    // a scene without rasterizer, leaves textureEntry null. Defined in
    // render/pixel_texture.cpp.
    void prepare(Scene* scene) override;
};

// Moves texture coordinates before they address the texture: Tc' = -C x S x
// R x C x T x Tc, i.e. translated, moved by the centre, turned by
// "rotation" (radians, counter-clockwise), scaled, and moved back by the
// centre.
class nTextureTransform : public X3DNode {
public:
    fSFVec2f center{this, FieldCode::center, Vec2f{0.0f, 0.0f}};
    fSFFloat rotation{this, FieldCode::rotation, 0.0f};
    fSFVec2f scale{this, FieldCode::scale, Vec2f{1.0f, 1.0f}};
    fSFVec2f translation{this, FieldCode::translation, Vec2f{0.0f, 0.0f}};

    nTextureTransform() : X3DNode(NodeCategory::Other) {}
};
