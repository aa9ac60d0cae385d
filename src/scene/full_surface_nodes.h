// The full profile's lights and surface nodes: PointLight and SpotLight, the
// Material with a specular colour and shininess, Normal and Color, and the
// IndexedFaceSet that takes them. The Material and the IndexedFaceSet keep
// the NodeType of their core classes and derive from them, so code that
// casts by NodeType reads their core fields as before.
//
// An IndexedFaceSet's Normal and Color nodes reach its corners through the
// index rules of VRML97 (per vertex or per face, through their own index
// list or through coordIndex); resolveSurfaceIndexes turns those rules once
// into one entry per coordIndex entry, the form the drawing takes, and again
// only after a field of the face set changes.
#pragma once

#include <cstdint>

#include "scene/abstract_nodes.h"
#include "scene/geometry_nodes.h"
#include "scene/shape_nodes.h"

class nPointLight : public X3DLightNode {
public:
    fSFVec3f attenuation{this, FieldCode::attenuation, Vec3f{1.0f, 0.0f, 0.0f}};
    fSFVec3f location{this, FieldCode::location, Vec3f{0.0f, 0.0f, 0.0f}};
    fSFFloat radius{this, FieldCode::radius, 100.0f};
};

class nSpotLight : public X3DLightNode {
public:
    fSFVec3f attenuation{this, FieldCode::attenuation, Vec3f{1.0f, 0.0f, 0.0f}};
    fSFFloat beamWidth{this, FieldCode::beamWidth, 1.570796f};
    fSFFloat cutOffAngle{this, FieldCode::cutOffAngle, 0.785398f};
    fSFVec3f direction{this, FieldCode::direction, Vec3f{0.0f, 0.0f, -1.0f}};
    fSFVec3f location{this, FieldCode::location, Vec3f{0.0f, 0.0f, 0.0f}};
    fSFFloat radius{this, FieldCode::radius, 100.0f};
};

class nFullMaterial : public nMaterial {
public:
    fSFFloat shininess{this, FieldCode::shininess, 0.2f};
    fSFColor specularColor{this, FieldCode::specularColor, Color4f{0.0f, 0.0f, 0.0f, 0.0f}};
};

class nNormal : public X3DNode {
public:
    fMFVec3f vector{this, FieldCode::vector};

    nNormal() : X3DNode(NodeCategory::Other) {}
};

class nColor : public X3DNode {
public:
    fMFColor color{this, FieldCode::color};

    nColor() : X3DNode(NodeCategory::Other) {}
};

// Per coordIndex entry, the entry of a Normal's or Color's list that the
// corner uses, and what the list must hold for every corner to have one.
struct CornerIndexes {
    SimpleArray<int32_t> index;  // one per coordIndex entry; -1 at the -1 entries
    int32_t needed = 0;          // 1 + the largest index used (0: none used)
    bool usable = false;         // every corner of every face of 3 or more corners has an index >= 0
    bool likeCoordIndex = false; // index equals coordIndex entry for entry
};

class nFullIndexedFaceSet : public nIndexedFaceSet {
public:
    fSFNode color{this, FieldCode::color};
    fMFInt32 colorIndex{this, FieldCode::colorIndex};
    fSFBool colorPerVertex{this, FieldCode::colorPerVertex, true};
    fSFNode normal{this, FieldCode::normal};
    // "normalIndex"; the core class's normalIndex is its computed list.
    fMFInt32 normalIndexField{this, FieldCode::normalIndex};
    fSFBool normalPerVertex{this, FieldCode::normalPerVertex, true};
    fSFBool convex{this, FieldCode::convex, true};
    // working state: the corners' Color and Normal entries
    CornerIndexes colourCorners;
    CornerIndexes normalCorners;
    bool cornersStale = true;

    // Any field change marks the corner lists stale (and "coord" the core
    // caches, as in the core class).
    void fieldChanged(X3DField* field) override;
    // Rebuilds colourCorners and normalCorners from coordIndex and the index
    // fields when stale, then clears the flag. When memory cannot be had the
    // lists are left unusable (the Color or Normal node is then not used).
    void resolveSurfaceIndexes();
};

// The VRML97 index rule for one attribute, entry by entry of coordIndex:
// perVertex with an index list: that list's entry at the same position; per
// vertex without one: the coordIndex entry itself; per face: for face f the
// index list's entry f, or f itself without a list. Entries at the -1 of
// coordIndex are -1. False when memory runs out (`out` is then emptied).
bool resolveCorners(const SimpleArray<int32_t>& coordIndex, const SimpleArray<int32_t>& indexList, bool perVertex,
                    CornerIndexes& out);
