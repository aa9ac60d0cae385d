// Binding of Viewpoint, NavigationInfo and Background: one bound node per
// kind, no stack. Loading binds the first node of each kind in depth-first
// file order (the Scene's defaults where the file has none); afterwards only
// "set_bind" events and anchors bind, and only Viewpoints.
//
// The search for the first nodes walks a graph that USE may have made into a
// DAG of any shape, so it is bounded twice: by depth (kMaxNodeDepth, the
// nesting a file itself can write) and by remembering the depth at which each
// grouping node was searched. A node already searched at that depth or a
// shallower one is not searched again: every kind still unbound after the
// first search has no node below it, so the result is that of a full walk,
// while each node is searched at most kMaxNodeDepth times instead of once per
// path that leads to it.
#include <map>

#include "base/limits.h"
#include "base/log.h"
#include "scene/node_registry.h"
#include "scene/bindable_nodes.h"
#include "scene/field_codes.h"
#include "scene/grouping_nodes.h"
#include "scene/node_types.h"
#include "scene/scene.h"

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

void Scene::activateAnchor(X3DNode* picked) {
    if (!picked) return;
    X3DNode* anchor = picked->parent;
    for (int32_t level = 0; anchor && anchor->nodeType != NodeType::Anchor; ++level) {
        if (level >= kMaxGraphDepth) return;
        anchor = anchor->parent;
    }
    if (!anchor) return;
    const SimpleArray<std::u16string>& urls = static_cast<const nAnchor*>(anchor)->url.value;
    if (urls.count == 0) return;
    const std::u16string& url = urls[0];
    if (url.empty() || url[0] != u'#') {
        // Only viewpoints of this world are followed; say so, or a tap on a
        // link to another world seems to do nothing for no reason.
        logText(u"Anchor to another world not followed: " + url);
        return;
    }
    const std::u16string_view name = std::u16string_view(url).substr(1);
    // A binding may make nodes (an isBound route into a sensor): the count is
    // read afresh after each step.
    for (int32_t i = 0; i < nodeRegistry.count; ++i) {
        X3DNode* node = nodeRegistry[i];
        if (node && node->nodeType == NodeType::Viewpoint && node->name == name) bind(node);
    }
}
