// Nodes about the world itself rather than what it shows, built by the full
// profile: WorldInfo, kept as read, and Inline, which stands for the world of
// another file.
#pragma once

#include "scene/abstract_nodes.h"

class nWorldInfo : public X3DNode {
public:
    fMFString info{this, FieldCode::info};
    fSFString title{this, FieldCode::title};

    nWorldInfo() : X3DNode(NodeCategory::Other) {}
};

// The world of the file its "url" names, read once after the world that
// holds it. It is a grouping node whose children are the inlined world's
// top-level nodes, so the frame, picking and the sensors treat it like a
// Group; a file cannot give it children itself ("children" is not one of its
// fields).
class nInline : public X3DGroupingNode {
public:
    fMFString url{this, FieldCode::url};
    // working state
    bool loadTried = false;  // read (or refused) once; never again

    nInline() { fields.erase(FieldCode::children); }
};
