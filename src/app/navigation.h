// Walking through a world with the direction keys: up and down walk forward
// and back along the ground at the NavigationInfo's speed, left and right
// turn at one radian per second, a ray along the step stops the walker short
// of walls, and in "walk" mode a ray straight down keeps the eye at the
// avatar height above the floor (only while a key is held). The bound
// Viewpoint's position and orientation are written in place, without events;
// the next frame is drawn from the new place.
#pragma once

#include <cstdint>

class Scene;

// The navigation key bits of RenderSample::keyState.
inline constexpr int32_t kNavUp = 1;
inline constexpr int32_t kNavDown = 2;
inline constexpr int32_t kNavLeft = 4;
inline constexpr int32_t kNavRight = 8;

// One frame of navigation over the time between the last two frames. Does
// nothing for keyState 0 or a world without a bound Viewpoint and
// NavigationInfo. A Viewpoint inside Transforms casts its rays from where it
// stands in the world and takes its step back into its own coordinates;
// Transforms without an inverse are passed over, as the camera passes them.
void navigate(Scene& scene, int32_t keyState);
