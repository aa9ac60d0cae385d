#include "scene/geometry_nodes.h"

void nIndexedFaceSet::fieldChanged(X3DField* field) {
    if (field != &coord) return;
    boundsStale = true;
    normalsStale = true;
}
