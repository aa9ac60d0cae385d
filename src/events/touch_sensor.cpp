// A TouchSensor fires for a pick of any shape among its siblings and their
// descendants. It is never reset: "isActive" stays TRUE once sent, and
// "hitPoint_changed" and "isOver" are never sent; its "enabled" is not read.
//
// The search goes through shared groups: USE can make a small file describe
// a subtree of any number of paths, so each grouping node is searched once
// (a node searched before cannot hold the pick when it did not then) and no
// deeper than the bound of every walk.
#include <unordered_set>

#include "base/limits.h"
#include "scene/frame_clock.h"
#include "scene/grouping_nodes.h"
#include "scene/sensor_nodes.h"

namespace {

using Searched = std::unordered_set<const X3DNode*>;

// Whether target is among the children of the group, at any depth.
bool holds(const X3DGroupingNode& group, const X3DNode* target, int32_t depth, Searched& searched) {
    if (depth > kMaxGraphDepth || !searched.insert(&group).second) return false;
    for (const X3DNode* child : group.children.value) {
        if (!child) continue;
        if (child == target) return true;
        if (child->category == NodeCategory::Grouping &&
            holds(static_cast<const X3DGroupingNode&>(*child), target, depth + 1, searched))
            return true;
    }
    return false;
}

}  // namespace

void nTouchSensor::tick(FrameClock* clock) {
    if (!clock || !clock->pickResult || !parent || parent->category != NodeCategory::Grouping) return;
    searchTarget = clock->pickResult;
    Searched searched;
    found = holds(static_cast<const X3DGroupingNode&>(*parent), searchTarget, 0, searched);
    searchTarget = nullptr;
    if (!found) return;
    found = false;
    touchTime.value = clock->now;
    touchTime.propagate();
    isActive.value = true;
    isActive.propagate();
    clock->pickResult = nullptr;
}
