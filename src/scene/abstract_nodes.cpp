#include "scene/abstract_nodes.h"

bool X3DGeometryNode::bounds(Vec3f&, Vec3f&) { return false; }

void X3DSensorNode::start(FrameClock*) {}

void X3DSensorNode::tick(FrameClock*) {}
