// The node factory of the viewer: the 22 node classes it builds, each with its
// behaviour (the sensors and interpolators of this folder, the meshes and
// textures of render/, the rest of scene/). The reader and the Scene are
// handed createNode as their NodeFactory.
#pragma once

#include <cstdint>
#include <string_view>

#include "scene/factory.h"

// A new node of the class for NodeType code `code`, named `name` and
// registered; not owned by the caller. Null when the code has no class (0, 4,
// 6, 11, 12, 17, 21, 22, 24, 31 to 36 and anything outside 0..36) or when
// memory cannot be had; such a node is neither named nor registered.
X3DNode* createNode(std::u16string_view name, int32_t code);

// createNode with the index of the first node-name table entry equal to
// typeName (exact, case-sensitive, whole string); null when none is equal.
X3DNode* createNodeByTypeName(std::u16string_view name, std::u16string_view typeName);
