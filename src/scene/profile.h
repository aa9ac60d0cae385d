// The node set a world is read with. The core profile builds the 22 node
// types the viewer was made for and skips every other one; the full profile
// also builds the primitives, grids, extrusions, lines and points, the
// grouping nodes that choose or turn their children, inlined worlds, point
// and spot lights, per-vertex colours and normals, pixel textures and texture
// transforms that real files use. It is chosen once, before a world is read,
// and the Scene keeps the profile it was read with.
#pragma once

#include <cstdint>

enum class Profile : uint8_t {
    Core = 0,  // the default
    Full = 1,
};
