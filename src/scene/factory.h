// How nodes come to exist. Nodes are made by a node factory only: a function
// that makes the node of the class for a NodeType code, names it, gives it its
// code and enters it at the end of the node registry, which owns it from then
// on. The factory itself lives above this folder (events/node_factory.h),
// where every node class's behaviour is known; the reader and the Scene are
// handed it. This header holds what every factory shares.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

class X3DNode;

// A new registered node of the class for the code, named name; not owned by
// the caller. Null when the code has no class or memory cannot be had.
using NodeFactory = X3DNode* (*)(std::u16string_view name, int32_t code);

// The code of the first node-name table entry (core part, then the full
// profile's part) equal to typeName (exact,
// case-sensitive, whole string); -1 when none is equal.
int32_t nodeTypeCode(std::u16string_view typeName);

// Names the node, gives it its code and enters it in the node registry.
// Returns it (now owned by the registry), or null when the registry cannot
// grow; the node is then destroyed.
X3DNode* registerNewNode(std::unique_ptr<X3DNode> node, std::u16string_view name, int32_t code);
