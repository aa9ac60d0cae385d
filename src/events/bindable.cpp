// Binding of Viewpoint, NavigationInfo and Background: one bound node per
// kind, no stack. Loading binds the first node of each kind in depth-first
// file order (the Scene's defaults where the file has none); afterwards only
// "set_bind" events and anchors bind, and only Viewpoints.
//
// The search for the first nodes walks a graph that USE may have made into a
// DAG of any shape, so it is bounded twice: by depth (kMaxNodeDepth, the
// nesting the reader itself allows) and by remembering the depth at which each
// grouping node was searched. A node already searched at that depth or a
// shallower one is not searched again: every kind still unbound after the
// first search has no node below it, so the result is that of a full walk,
// while each node is searched at most kMaxNodeDepth times instead of once per
// path that leads to it.
#include <map>

#include "scene/bindable_nodes.h"
#include "scene/field.h"
#include "scene/field_codes.h"
#include "scene/grouping_nodes.h"
#include "scene/node_types.h"
#include "scene/scene.h"
#include "vrml/parser.h"

namespace {

// Shallowest depth at which each grouping node was searched.
using SearchedDepths = std::map<const X3DNode*, int32_t>;

void bindFirstBelow(Scene& scene, const fMFNode& list, int32_t depth, SearchedDepths& searched) {
    if (depth > kMaxNodeDepth) return;
    for (X3DNode* node : list.value) {
        if (!node) continue;
        if (node->category == NodeCategory::Grouping) {
            auto [entry, fresh] = searched.try_emplace(node, depth);
            if (!fresh && entry->second <= depth) continue;
            entry->second = depth;
            bindFirstBelow(scene, static_cast<X3DGroupingNode*>(node)->children, depth + 1, searched);
            continue;
        }
        const bool wanted = (node->nodeType == NodeType::Viewpoint && !scene.boundViewpoint) ||
                            (node->nodeType == NodeType::NavigationInfo && !scene.boundNavigationInfo) ||
                            (node->nodeType == NodeType::Background && !scene.boundBackground);
        if (wanted) scene.bind(node);
    }
}

}  // namespace

void Scene::setRoot(X3DNode* group) {
    if (!group || group->nodeType != NodeType::Group) {
        root = nullptr;
        return;
    }
    boundViewpoint = nullptr;
    boundNavigationInfo = nullptr;
    boundBackground = nullptr;
    bindJump = false;
    previousViewpoint = nullptr;
    root = group;
    bindFirst(static_cast<X3DGroupingNode*>(group)->children);
    if (!boundViewpoint) bind(defaultViewpoint);
    if (!boundNavigationInfo) bind(defaultNavigationInfo);
    if (!boundBackground) bind(defaultBackground);
    // The first frame shows the bound Viewpoint without a transition.
    bindJump = false;
    previousViewpoint = boundViewpoint;
}

void Scene::bindFirst(const fMFNode& list) {
    SearchedDepths searched;
    bindFirstBelow(*this, list, 1, searched);
}

void Scene::bind(X3DNode* node) {
    if (!node || node->category != NodeCategory::Bindable) return;
    // The node losing the binding is told first. Its "isBound" may be routed
    // to another "set_bind" and so bind again from inside this call; the
    // members are therefore read only after the event has run.
    auto release = [](X3DBindableNode* loser) {
        if (loser) loser->isBound.setValue(false);
    };
    switch (node->nodeType) {
    case NodeType::Viewpoint: {
        auto* viewpoint = static_cast<nViewpoint*>(node);
        if (viewpoint == boundViewpoint) return;
        release(boundViewpoint);
        if (previousViewpoint) {
            bindJump = viewpoint->jump.value;
            transitionStart = frameClock.now;
        }
        previousViewpoint = boundViewpoint;
        boundViewpoint = viewpoint;
        break;
    }
    case NodeType::NavigationInfo: {
        auto* navigationInfo = static_cast<nNavigationInfo*>(node);
        if (navigationInfo == boundNavigationInfo) return;
        release(boundNavigationInfo);
        boundNavigationInfo = navigationInfo;
        break;
    }
    case NodeType::Background: {
        auto* background = static_cast<nBackground*>(node);
        if (background == boundBackground) return;
        release(boundBackground);
        boundBackground = background;
        break;
    }
    default: break;
    }
}

Color4f Scene::backgroundColor() const {
    if (!boundBackground || boundBackground->skyColor.value.count == 0) return Color4f{0.0f, 0.0f, 0.0f, 0.0f};
    return boundBackground->skyColor.value[0];
}

void nViewpoint::prepare(Scene* scene) { ownerScene = scene; }

void nViewpoint::fieldChanged(X3DField* field) {
    // Binding is all "set_bind" does: FALSE binds as TRUE does.
    if (field->nameCode == FieldCode::set_bind && ownerScene) ownerScene->bind(this);
}
