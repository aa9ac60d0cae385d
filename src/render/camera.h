// Camera and transform helpers shared by the frame traversal, the navigation
// and the sensors: the local matrices of a Transform, the world-to-camera
// matrix of a Viewpoint and the projection constants. The per-frame camera
// state itself lives in the Scene (its "camera" operations).
#pragma once

#include <cstdint>

#include "render/matrix.h"

class X3DNode;
class nTransform;
class nViewpoint;

// The field of view used when a Viewpoint's is not a usable angle (0 or less,
// pi or more, not finite): 45 degrees, the rasterizer's own starting value.
inline constexpr float kDefaultFieldOfView = 0.785398f;

// The local matrices of a Transform: the full one (-center, inverse scale
// orientation, scale, scale orientation, rotation, +center, +translation) and
// the rotation alone (its translation row is never read).
struct TransformMatrices {
    Matrix full;
    Matrix rotation;
};

// The Transform's local matrices, from its five fields as they stand.
TransformMatrices transformMatrices(const nTransform& transform);

// True when all twelve entries are finite.
bool matrixFinite(const Matrix& matrix);

// The world-to-camera matrix of the Viewpoint: its own position and
// orientation, then the inverse of every Transform above it, innermost first.
// A Transform above it that has no inverse is skipped, and a result that is
// not finite (a position of infinity) gives the identity, so the view is
// always finite. At most kMaxGraphDepth ancestors are followed.
Matrix viewFromViewpoint(const nViewpoint& viewpoint);

// The field of view actually used for the angle: the angle itself when it lies
// strictly between 0 and pi, else kDefaultFieldOfView.
float usableFieldOfView(float angle);

// -min(halfWidth, halfHeight) / tan(fieldOfView / 2), the division in double
// precision, with the field of view made usable first. Negative, or 0 when the
// screen has no size.
float focalLengthFor(float halfWidth, float halfHeight, float fieldOfView);
