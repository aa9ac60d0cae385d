// The node registry: the one list of every node that exists, in creation
// order. The factory appends each node it makes; the registry owns them.
//
// releaseNodeRegistry destroys every node once, through its own class, and
// leaves the registry empty. The program calls it once at the end of the run,
// after the application (and so the Scene, which only drops its pointers) is
// gone; tests call it when they finish with their nodes. Pointers to nodes kept
// elsewhere are dangling afterwards.
#pragma once

#include "base/simple_array.h"

class X3DNode;

// Every node made by the factory, in creation order; owned.
extern SimpleArray<X3DNode*> nodeRegistry;

// Empties the registry first, then destroys each node it held exactly once,
// so the registry never points at a destroyed node.
void releaseNodeRegistry();
