// The choices the full profile's grouping nodes make each frame, as plain
// functions of what they see, so that the frame (render/full_grouping.cpp)
// and the tests share them.
#pragma once

#include <cstdint>

#include "base/simple_array.h"
#include "base/values.h"

// The LOD level for the eye at `distance` from the centre, among `levels`
// levels (at least 1): level i when range[i-1] <= distance < range[i]
// (level 0 below range[0], level n at or beyond range[n-1]); the last level
// when that is more than there are; level 0 without ranges or for a distance
// that is not a number.
int32_t lodLevel(const SimpleArray<float>& range, float distance, int32_t levels);

// The rotation (a linear part; no translation) that turns a Billboard's
// children, in the Billboard's coordinates, for the eye at `eye` and the
// eye's up direction `up`, both in those coordinates:
// - axis not zero: about the axis, so that the children's +Z, projected on
//   the plane across the axis, points to the eye's projection on that plane;
//   no turn when either projection vanishes (the axis is Z itself, or the eye
//   stands on the axis);
// - axis (0, 0, 0): +Z points to the eye and +Y along `up` as far as it
//   lies across that direction; no turn when the eye is at the origin or up
//   is along the direction to it.
// Not-a-number input gives no turn.
Matrix billboardRotation(const Vec3f& axis, const Vec3f& eye, const Vec3f& up);
