// The node factory of the full profile: every class of the core factory
// (createNode), and the classes of the node types only the full profile
// builds. The reader and the Scene of a world read with the full profile are
// handed createNodeFull as their NodeFactory.
#pragma once

#include <cstdint>
#include <string_view>

#include "scene/factory.h"

// A new node of the class for NodeType code `code`, named `name` and
// registered; not owned by the caller. Null when the code has no class in
// either profile (0, 6, 21, 24, 35, 36 and anything outside the node-name
// table) or when memory cannot be had; such a node is neither named nor
// registered.
X3DNode* createNodeFull(std::u16string_view name, int32_t code);

// True when the core profile skips nodes of this code and the full profile
// would draw them, or draw with them (a Normal, a Color, a TextureTransform).
// WorldInfo, which the full profile keeps but which shows nothing, is not
// one of them.
bool fullProfileOnly(int32_t code);
