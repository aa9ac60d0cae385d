#include "scene/node_registry.h"

#include <utility>

#include "scene/node.h"

SimpleArray<X3DNode*> nodeRegistry;

void releaseNodeRegistry() {
    // Detach the list before deleting: a destructor that looked at the registry
    // would see it empty rather than half destroyed.
    SimpleArray<X3DNode*> nodes = std::move(nodeRegistry);
    for (X3DNode* node : nodes) delete node;
}
