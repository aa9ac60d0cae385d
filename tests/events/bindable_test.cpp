// Binding: the first Viewpoint, NavigationInfo and Background in depth-first
// file order, the defaults, "set_bind" events, the transition members, the
// background colour, and the bounds on the search.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "events/node_factory.h"
#include "scene/bindable_nodes.h"
#include "scene/node_types.h"
#include "scene/scene.h"
#include "vrml/reader_test_support.h"

namespace {

class Binding : public ReaderTest {
protected:
    // Reads the world into a new Scene with its nodes prepared.
    std::unique_ptr<Scene> load(const std::string& world) {
        X3DNode* root = parse(world);
        EXPECT_NE(root, nullptr) << world;
        auto scene = std::make_unique<Scene>(createNode);
        scene->setRoot(root);
        scene->initNodes();
        return scene;
    }
    // The top-level node at index i.
    template <class Node>
    Node* top(const Scene& scene, int32_t i) {
        return static_cast<Node*>(childrenOf(scene.root)[i]);
    }
};

TEST_F(Binding, WorldWithoutBindableNodesUsesTheDefaults) {
    auto scene = load("Transform { children Shape { } }");
    EXPECT_EQ(scene->boundViewpoint, scene->defaultViewpoint);
    EXPECT_EQ(scene->boundNavigationInfo, scene->defaultNavigationInfo);
    EXPECT_EQ(scene->boundBackground, scene->defaultBackground);
    EXPECT_EQ(scene->boundViewpoint->position.value.z, 10.0f);
    EXPECT_EQ(scene->boundViewpoint->position.value.x, 0.0f);
    EXPECT_TRUE(scene->boundNavigationInfo->headlight.value);
    const Color4f black = scene->backgroundColor();
    EXPECT_EQ(black.r, 0.0f);
    EXPECT_EQ(black.g, 0.0f);
    EXPECT_EQ(black.b, 0.0f);
    EXPECT_EQ(black.a, 0.0f);
    // The first frame shows the bound view without a transition.
    EXPECT_EQ(scene->previousViewpoint, scene->boundViewpoint);
    EXPECT_FALSE(scene->bindJump);
    EXPECT_FALSE(scene->defaultViewpoint->isBound.value);  // binding does not tell the new node
}

TEST_F(Binding, FirstNodeOfEachKindInDepthFirstFileOrder) {
    auto scene = load(
        "Background { skyColor [ 0.1 0.2 0.3, 1 1 1 ] }\n"
        "Transform { children [ Group { children [ DEF Inner Viewpoint { } NavigationInfo { speed 3 } ] } ] }\n"
        "DEF Top Viewpoint { }\n"
        "NavigationInfo { speed 7 }\n"
        "Background { }\n"
        "Anchor { children Viewpoint { } }\n");
    ASSERT_NE(scene->boundViewpoint, nullptr);
    EXPECT_EQ(scene->boundViewpoint->name, u"Inner");
    EXPECT_EQ(scene->boundNavigationInfo->speed.value, 3.0f);
    EXPECT_EQ(scene->boundBackground, top<nBackground>(*scene, 0));
    const Color4f sky = scene->backgroundColor();
    EXPECT_EQ(sky.r, 0.1f);
    EXPECT_EQ(sky.g, 0.2f);
    EXPECT_EQ(sky.b, 0.3f);
    EXPECT_EQ(sky.a, 0.0f);
    EXPECT_EQ(scene->previousViewpoint, scene->boundViewpoint);
}

TEST_F(Binding, NodesBelowNonGroupingNodesAreNeverBound) {
    // Any node may stand in an SFNode field; the search only enters grouping
    // nodes.
    auto scene = load(
        "Shape { geometry Viewpoint { } appearance NavigationInfo { } }\n"
        "Shape { geometry Background { skyColor 1 0 0 } }\n");
    EXPECT_EQ(scene->boundViewpoint, scene->defaultViewpoint);
    EXPECT_EQ(scene->boundNavigationInfo, scene->defaultNavigationInfo);
    EXPECT_EQ(scene->boundBackground, scene->defaultBackground);
}

TEST_F(Binding, SetBindEvents) {
    auto scene = load(
        "DEF A Viewpoint { }\n"
        "DEF B Viewpoint { }\n"
        "DEF C Viewpoint { jump TRUE }\n");
    auto* a = top<nViewpoint>(*scene, 0);
    auto* b = top<nViewpoint>(*scene, 1);
    auto* c = top<nViewpoint>(*scene, 2);
    ASSERT_EQ(scene->boundViewpoint, a);
    a->isBound.value = true;

    // To the bound Viewpoint, TRUE or FALSE: nothing changes.
    scene->frameClock.now = 2.0;
    for (bool value : {true, false}) {
        a->set_bind.setValue(value);
        EXPECT_EQ(scene->boundViewpoint, a);
        EXPECT_EQ(scene->previousViewpoint, a);
        EXPECT_EQ(scene->transitionStart, 0.0);
        EXPECT_TRUE(a->isBound.value);
    }

    // To another one with jump FALSE, even as FALSE: a transition from the
    // current view starts now, and the old one hears isBound FALSE.
    scene->frameClock.now = 5.0;
    b->set_bind.setValue(false);
    EXPECT_EQ(scene->boundViewpoint, b);
    EXPECT_EQ(scene->previousViewpoint, a);
    EXPECT_FALSE(scene->bindJump);
    EXPECT_EQ(scene->transitionStart, 5.0);
    EXPECT_FALSE(a->isBound.value);
    EXPECT_FALSE(b->isBound.value);       // the new one is not told
    EXPECT_EQ(b->bindTime.value, -1.0);

    // Again within the second: the next transition starts from B, the
    // Viewpoint bound last, and takes C's jump.
    b->isBound.value = true;
    scene->frameClock.now = 5.5;
    c->set_bind.setValue(true);
    EXPECT_EQ(scene->boundViewpoint, c);
    EXPECT_EQ(scene->previousViewpoint, b);
    EXPECT_TRUE(scene->bindJump);
    EXPECT_EQ(scene->transitionStart, 5.5);
    EXPECT_FALSE(b->isBound.value);

    // Direct binds of other kinds and of non-bindable nodes.
    scene->bind(nullptr);
    scene->bind(scene->root);
    EXPECT_EQ(scene->boundViewpoint, c);
    scene->bind(scene->defaultNavigationInfo);
    EXPECT_EQ(scene->boundNavigationInfo, scene->defaultNavigationInfo);
}

TEST_F(Binding, OtherKindsHearIsBoundFalseWhenReplaced) {
    auto scene = load("NavigationInfo { } Background { }");
    auto* navigation = top<nNavigationInfo>(*scene, 0);
    auto* background = top<nBackground>(*scene, 1);
    navigation->isBound.value = true;
    background->isBound.value = true;
    scene->bind(scene->defaultNavigationInfo);
    scene->bind(scene->defaultBackground);
    EXPECT_FALSE(navigation->isBound.value);
    EXPECT_FALSE(background->isBound.value);
    EXPECT_EQ(scene->boundBackground, scene->defaultBackground);
    // Their set_bind has no reaction.
    navigation->set_bind.setValue(true);
    EXPECT_EQ(scene->boundNavigationInfo, scene->defaultNavigationInfo);
}

TEST_F(Binding, RoutedSetBindAndBindingFromInsideAnEvent) {
    // A's isBound is routed to B's set_bind: binding C makes A hear FALSE,
    // which binds B from inside the first binding. Both end, C is bound.
    auto scene = load(
        "DEF A Viewpoint { } DEF B Viewpoint { } DEF C Viewpoint { } DEF T TimeSensor { }\n"
        "ROUTE A.isBound TO B.set_bind\n"
        "ROUTE T.isActive TO C.set_bind\n");
    auto* c = top<nViewpoint>(*scene, 2);
    auto* sensor = static_cast<X3DSensorNode*>(childrenOf(scene->root)[3]);
    sensor->isActive.setValue(true);
    EXPECT_EQ(scene->boundViewpoint, c);
    ASSERT_NE(scene->previousViewpoint, nullptr);
    EXPECT_NE(scene->previousViewpoint, c);
}

TEST_F(Binding, SetBindBeforePrepareDoesNothing) {
    X3DNode* root = parse("Viewpoint { } DEF B Viewpoint { }");
    Scene scene(createNode);
    scene.setRoot(root);
    auto* b = static_cast<nViewpoint*>(childrenOf(root)[1]);
    b->set_bind.setValue(true);  // no initNodes yet: no owner scene
    EXPECT_EQ(scene.boundViewpoint, childrenOf(root)[0]);
}

TEST_F(Binding, EmptySkyColourIsBlack) {
    auto scene = load("Background { skyColor [ ] }");
    EXPECT_EQ(scene->boundBackground, top<nBackground>(*scene, 0));
    const Color4f colour = scene->backgroundColor();
    EXPECT_EQ(colour.r, 0.0f);
    EXPECT_EQ(colour.g, 0.0f);
    EXPECT_EQ(colour.b, 0.0f);
    scene->boundBackground = nullptr;
    EXPECT_EQ(scene->backgroundColor().r, 0.0f);
}

TEST_F(Binding, RootThatIsNotAGroup) {
    X3DNode* root = parse("Transform { children Viewpoint { } }");
    Scene scene(createNode);
    scene.setRoot(childrenOf(root)[0]);
    EXPECT_EQ(scene.root, nullptr);
    EXPECT_EQ(scene.boundViewpoint, nullptr);
    scene.setRoot(nullptr);
    EXPECT_EQ(scene.root, nullptr);
}

TEST_F(Binding, SearchOfASharedGraphIsLinear) {
    // Each level USEs the one below twice: 2^60 paths lead to the bottom, so
    // a walk along every path would never end.
    std::string world = "DEF L0 Group { children Shape { } }\n";
    for (int level = 1; level <= 60; ++level) {
        world += "DEF L" + std::to_string(level) + " Group { children [ USE L" + std::to_string(level - 1) +
                 " USE L" + std::to_string(level - 1) + " ] }\n";
    }
    world += "Viewpoint { description \"last\" }\n";
    auto scene = load(world);
    EXPECT_EQ(scene->boundViewpoint->description.value, u"last");
}

TEST_F(Binding, SearchDepthIsBounded) {
    // A chain of 150 Groups DEF'd below a Shape (so not searched there) and
    // USEd at the bottom of a chain of `outer` Groups: its Viewpoint lies in a
    // list outer + 151 deep, counting the root's children as 1. A file can
    // nest a Viewpoint in 199 Groups, 200 deep, and such a one is found.
    auto world = [](int outer) {
        std::string text = "Shape { geometry DEF Deep ";
        for (int i = 0; i < 149; ++i) text += "Group { children ";
        text += "Group { children Viewpoint { description \"deep\" } }";
        for (int i = 0; i < 149; ++i) text += " }";
        text += " }\n";
        for (int i = 0; i < outer; ++i) text += "Group { children ";
        text += "USE Deep";
        for (int i = 0; i < outer; ++i) text += " }";
        return text;
    };
    auto reachable = load(world(49));  // depth 200: found
    EXPECT_EQ(reachable->boundViewpoint->description.value, u"deep");
    releaseNodeRegistry();
    auto tooDeep = load(world(50));  // depth 201: beyond the bound
    EXPECT_EQ(tooDeep->boundViewpoint, tooDeep->defaultViewpoint);
}

}  // namespace
