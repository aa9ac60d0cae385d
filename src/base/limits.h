// The bounds that keep a hostile world harmless, in one place. A short file
// can describe a graph of any depth or an exponential number of paths (USE
// shares whole subtrees), so every walk over the graph is bounded by one of
// these, and the reader by the first.
#pragma once

#include <cstdint>

// Nodes the reader keeps open at once: a node that would be the 201st open
// one is skipped with its body. The search for the first Viewpoint,
// NavigationInfo and Background at loading goes no deeper either: a node
// that only USE stacking puts deeper than a file can nest is not bound first.
inline constexpr int32_t kMaxNodeDepth = 200;

// Levels every other walk over the graph follows, downwards (the frame
// traversal, picking) or upwards through parents (a Viewpoint's Transforms,
// the Anchor above a picked shape). Deeper than the reader's nesting because
// a USE can stack a DEF'd subtree under another one.
inline constexpr int32_t kMaxGraphDepth = 1000;

// Nodes the frame traversal visits at most in one frame (children of groups,
// shapes and lights included); past it the rest of the graph is not visited
// that frame.
inline constexpr int32_t kMaxTraversalVisits = 1 << 18;
