#include "scene/line_nodes.h"

#include <algorithm>

#include "scene/geometry_nodes.h"

const SimpleArray<Vec3f>* X3DPointGeometryNode::points() const {
    const X3DNode* node = coordField ? coordField->value : nullptr;
    if (!node || node->nodeType != NodeType::Coordinate) return nullptr;
    return &static_cast<const nCoordinate*>(node)->point.value;
}

void X3DPointGeometryNode::fieldChanged(X3DField* field) {
    if (field == coordField) boundsStale = true;
}

bool X3DPointGeometryNode::bounds(Vec3f& centre, Vec3f& size) {
    const X3DNode* node = coordField ? coordField->value : nullptr;
    if (node && node->nodeType == NodeType::Coordinate) {
        // Points moved by "point" events since the box was made.
        const uint32_t events = static_cast<const nCoordinate*>(node)->pointEvents;
        if (node != pointsSeenOf || events != pointEventsSeen) boundsStale = true;
        pointsSeenOf = node;
        pointEventsSeen = events;
    }
    if (boundsStale) {
        boundsStale = false;
        boundsSize = Vec3f{-1.0f, -1.0f, -1.0f};
        const SimpleArray<Vec3f>* list = points();
        if (list && list->count > 0) {
            Vec3f low = (*list)[0], high = low;
            for (const Vec3f& p : *list) {
                low = Vec3f{std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
                high = Vec3f{std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
            }
            boundsCenter = Vec3f{(low.x + high.x) * 0.5f, (low.y + high.y) * 0.5f, (low.z + high.z) * 0.5f};
            boundsSize = Vec3f{high.x - low.x, high.y - low.y, high.z - low.z};
        }
    }
    if (boundsSize.x < 0.0f) return false;
    centre = boundsCenter;
    size = boundsSize;
    return true;
}
