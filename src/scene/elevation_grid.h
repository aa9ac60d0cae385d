// ElevationGrid: a height field of xDimension x zDimension points over the
// XZ plane, built by the full profile. It is turned into a MeshForm the first
// time it is drawn and again only after one of its fields changes
// (render/elevation_grid_mesh.cpp).
#pragma once

#include <cstdint>

#include "scene/mesh_form.h"

class nElevationGrid : public X3DMeshGeometryNode {
public:
    // More grid points than this draw nothing: 4096 x 4096 is far beyond
    // what a world can show, and keeps every count inside 32 bits.
    static constexpr int64_t kMaxPoints = int64_t{1} << 24;

    fSFNode color{this, FieldCode::color};
    fSFNode normal{this, FieldCode::normal};
    fSFNode texCoord{this, FieldCode::texCoord};
    fMFFloat height{this, FieldCode::height};
    fSFBool ccw{this, FieldCode::ccw, true};
    fSFBool colorPerVertex{this, FieldCode::colorPerVertex, true};
    fSFFloat creaseAngle{this, FieldCode::creaseAngle, 0.0f};
    fSFBool normalPerVertex{this, FieldCode::normalPerVertex, true};
    fSFBool solid{this, FieldCode::solid, true};
    fSFInt32 xDimension{this, FieldCode::xDimension, 0};
    fSFFloat xSpacing{this, FieldCode::xSpacing, 1.0f};
    fSFInt32 zDimension{this, FieldCode::zDimension, 0};
    fSFFloat zSpacing{this, FieldCode::zSpacing, 1.0f};

protected:
    // Point (i, j) at (i xSpacing, height[i + j xDimension], j zSpacing)
    // (a height the list lacks counts as 0); one quadrilateral per cell,
    // counter-clockwise seen from above (+Y). Texture points from the
    // TextureCoordinate node (one per point), else s = i / (xDimension - 1)
    // along +X and t = j / (zDimension - 1) along +Z. Normals from the Normal
    // node (per point, or per cell when normalPerVertex is FALSE), else by
    // the crease-angle rule; colours from the Color node likewise with
    // colorPerVertex. Fewer than 2 x 2 points, a spacing or height that is
    // not finite, or more than kMaxPoints points: an empty form.
    bool buildMesh(MeshForm& mesh) override;
};
