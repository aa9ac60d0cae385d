// Limits and helpers of the frame traversal (the Scene's "frame" operations).
#pragma once

#include <cstdint>

class Scene;

// Nodes the traversal visits at most in one frame (children of groups, shapes
// and lights included). Groups shared with USE can make a short file describe
// an exponential number of visits; past this budget the rest of the graph is
// not visited that frame.
inline constexpr int32_t kMaxTraversalVisits = 1 << 18;

// The driver's millisecond tick count, through the Scene's rasterizer; 0 when
// the Scene has no rasterizer or the rasterizer no driver.
uint32_t frameTicks(const Scene& scene);
