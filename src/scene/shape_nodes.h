// A Shape and what its appearance is made of: Appearance, Material and
// ImageTexture. All derive from X3DNode directly (family "other").
#pragma once

#include "scene/field_codes.h"
#include "scene/fields.h"
#include "scene/node.h"
#include "scene/node_types.h"

struct TextureEntry;

class nShape : public X3DNode {
public:
    fSFNode appearance{this, FieldCode::appearance};
    fSFNode geometry{this, FieldCode::geometry};

    nShape() : X3DNode(NodeCategory::Other) {}
};

class nAppearance : public X3DNode {
public:
    fSFNode material{this, FieldCode::material};
    fSFNode texture{this, FieldCode::texture};

    nAppearance() : X3DNode(NodeCategory::Other) {}
};

class nMaterial : public X3DNode {
public:
    fSFFloat ambientIntensity{this, FieldCode::ambientIntensity, 0.2f};
    fSFColor diffuseColor{this, FieldCode::diffuseColor, Color4f{0.8f, 0.8f, 0.8f, 0.0f}};
    fSFColor emissiveColor{this, FieldCode::emissiveColor, Color4f{0.0f, 0.0f, 0.0f, 0.0f}};
    fSFFloat transparency{this, FieldCode::transparency, 0.0f};

    nMaterial() : X3DNode(NodeCategory::Other) {}
};

class nImageTexture : public X3DNode {
public:
    fMFString url{this, FieldCode::url};
    // working state
    const TextureEntry* textureEntry = nullptr;  // not owned (the texture cache owns it)
    // The folder the url is relative to when it is not the world's: that of
    // the inlined file the node was read from (full profile); empty
    // otherwise.
    std::u16string baseDirectory;

    nImageTexture() : X3DNode(NodeCategory::Other) {}
    // With a first url that is not empty, textureEntry = loadTexture(scene,
    // that url), relative to baseDirectory when one is set; later urls are
    // never tried. Defined in render/texture_load.cpp.
    void prepare(Scene* scene) override;
};

// The texture for one url of a world: the url as it stands when it begins
// with "http://", else the scene's baseDirectory followed by the url (an
// absolute local path, beginning with "/", stands alone in a world read from
// a file, and follows the scheme and host in a world read from a URL); then
// getTexture of the scene's rasterizer. Null without a scene or rasterizer,
// or when the image cannot be loaded. Defined in render/texture_load.cpp.
const TextureEntry* loadTexture(Scene* scene, const std::u16string& url);
