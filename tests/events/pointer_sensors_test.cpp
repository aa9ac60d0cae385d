// TouchSensors, Anchors and ProximitySensors against a pick or a camera put
// in place by the test, through the frame's own order.
#include <gtest/gtest.h>

#include <string>

#include "events/node_factory.h"
#include "scene/bindable_nodes.h"
#include "scene/grouping_nodes.h"
#include "scene/scene.h"
#include "scene/sensor_nodes.h"
#include "scene/shape_nodes.h"
#include "vrml/reader_test_support.h"

namespace {

class PointerSensors : public ReaderTest {
protected:
    void load(const std::string& world) {
        X3DNode* root = parse(world);
        ASSERT_NE(root, nullptr) << world;
        scene = std::make_unique<Scene>(createNode);
        scene->setRoot(root);
        scene->initNodes();
        scene->startClock(0.0, 0);
    }
    template <class Node>
    Node* def(const char16_t* name) {
        return static_cast<Node*>(parser->defTable.at(name));
    }
    // One frame at the time with the node as this frame's pick.
    void frameWithPick(X3DNode* picked, double seconds) {
        scene->frameClock.pickResult = picked;
        scene->updateAndDraw(seconds, 0);
    }

    std::unique_ptr<Scene> scene;
};

TEST_F(PointerSensors, TouchSensorFiresForItsSiblingsOnceAPick) {
    load("DEF G Group { children [\n"
         "  DEF First TouchSensor { }\n"
         "  DEF Second TouchSensor { }\n"
         "  Transform { children Group { children DEF Inside Shape { } } }\n"
         "] }\n"
         "DEF Outside Shape { }\n"
         "Group { children [ DEF Elsewhere TouchSensor { } DEF Lone Shape { } ] }\n");
    auto* first = def<nTouchSensor>(u"First");
    auto* second = def<nTouchSensor>(u"Second");
    auto* elsewhere = def<nTouchSensor>(u"Elsewhere");

    // A press outside the group fires nothing there.
    frameWithPick(def<X3DNode>(u"Outside"), 1.0);
    EXPECT_EQ(first->touchTime.value, -1.0);
    EXPECT_FALSE(first->isActive.value);

    // A press on a shape two groups down: the first sensor takes it, with
    // the frame time; the second never sees it; the pick is gone after.
    frameWithPick(def<X3DNode>(u"Inside"), 2.5);
    EXPECT_EQ(first->touchTime.value, 2.5);
    EXPECT_TRUE(first->isActive.value);
    EXPECT_EQ(second->touchTime.value, -1.0);
    EXPECT_EQ(elsewhere->touchTime.value, -1.0);
    EXPECT_EQ(scene->frameClock.pickResult, nullptr);

    // The next frame sees no pick: nothing is sent again.
    scene->updateAndDraw(3.0, 0);
    EXPECT_EQ(first->touchTime.value, 2.5);
    EXPECT_TRUE(first->isActive.value);  // never set back

    // The other group's sensor fires for its own shape.
    frameWithPick(def<X3DNode>(u"Lone"), 4.0);
    EXPECT_EQ(elsewhere->touchTime.value, 4.0);
    EXPECT_EQ(first->touchTime.value, 2.5);
}

TEST_F(PointerSensors, TouchSensorIsActiveBindsAViewpointInTheSameFrame) {
    load("DEF Start Viewpoint { position 0 0 10 }\n"
         "DEF Other Viewpoint { position 5 0 10 jump TRUE }\n"
         "Group { children [ DEF T TouchSensor { } DEF S Shape { } ] }\n"
         "ROUTE T.isActive TO Other.set_bind\n");
    frameWithPick(def<X3DNode>(u"S"), 1.0);
    EXPECT_EQ(scene->boundViewpoint, def<nViewpoint>(u"Other"));
    EXPECT_FLOAT_EQ(scene->viewMatrix.tx, -5.0f);  // this frame's camera already
}

TEST_F(PointerSensors, AnchorsFollowViewpointsOfThisWorldOnly) {
    load("DEF Top Viewpoint { position 0 0 10 }\n"
         "DEF Far Viewpoint { position 0 0 50 }\n"
         "DEF Near Viewpoint { position 0 0 3 }\n"
         "Anchor { url \"#Far\" children [\n"
         "  DEF InFar Shape { }\n"
         "  Anchor { url \"#Near\" children DEF InNear Shape { } }\n"
         "] }\n"
         "Anchor { url \"#far\" children DEF WrongCase Shape { } }\n"
         "Anchor { url \"other.wrl#Far\" children DEF OtherWorld Shape { } }\n"
         "Anchor { children DEF NoUrl Shape { } }\n");
    openTestLog();
    auto* top = def<nViewpoint>(u"Top");
    EXPECT_EQ(scene->boundViewpoint, top);
    for (const char16_t* name : {u"WrongCase", u"OtherWorld", u"NoUrl"}) {
        frameWithPick(def<X3DNode>(name), 1.0);
        EXPECT_EQ(scene->boundViewpoint, top) << std::string(name, name + 5);
    }
    // The innermost Anchor above the shape is followed.
    frameWithPick(def<X3DNode>(u"InNear"), 2.0);
    EXPECT_EQ(scene->boundViewpoint, def<nViewpoint>(u"Near"));
    EXPECT_FALSE(top->isBound.value);
    frameWithPick(def<X3DNode>(u"InFar"), 3.0);
    EXPECT_EQ(scene->boundViewpoint, def<nViewpoint>(u"Far"));
    // The tap on a link to another world is named in the log.
    EXPECT_NE(logFileText().find("Anchor to another world not followed: other.wrl#Far\n"), std::string::npos);
}

TEST_F(PointerSensors, ProximitySensorSeesTheCameraInsideItsWorldBox) {
    load("DEF V Viewpoint { position 0 0 4.9 }\n"
         "DEF P ProximitySensor { size 10 10 10 }\n"
         "Transform { translation 100 0 0 children DEF Moved ProximitySensor { size 10 10 10 } }\n"
         "DEF Off ProximitySensor { size 10 10 10 enabled FALSE }\n");
    auto* sensor = def<nProximitySensor>(u"P");
    auto* moved = def<nProximitySensor>(u"Moved");
    auto* off = def<nProximitySensor>(u"Off");
    scene->updateAndDraw(1.0, 0);
    EXPECT_FLOAT_EQ(sensor->position_changed.value.z, 4.9f);
    EXPECT_FLOAT_EQ(sensor->position_changed.value.x, 0.0f);
    // Transforms above a sensor do not move its box.
    EXPECT_FLOAT_EQ(moved->position_changed.value.z, 4.9f);
    EXPECT_EQ(off->position_changed.value.z, 0.0f);

    // On the face of the box: nothing is sent.
    def<nViewpoint>(u"V")->position.value = {0, 0, 5};
    sensor->position_changed.value = {};
    scene->updateAndDraw(2.0, 0);
    EXPECT_EQ(sensor->position_changed.value.z, 0.0f);

    // A turned camera: its orientation comes back as the viewpoint's.
    auto* viewpoint = def<nViewpoint>(u"V");
    viewpoint->position.value = {1, 2, 3};
    viewpoint->orientation.value = {0, 1, 0, 0.5f};
    scene->updateAndDraw(3.0, 0);
    EXPECT_NEAR(sensor->position_changed.value.x, 1.0f, 1e-5f);
    EXPECT_NEAR(sensor->position_changed.value.y, 2.0f, 1e-5f);
    EXPECT_NEAR(sensor->position_changed.value.z, 3.0f, 1e-5f);
    // (The same turn may come as the opposite axis and angle.)
    const Rotation& o = sensor->orientation_changed.value;
    EXPECT_NEAR(o.y * o.angle, 0.5f, 1e-5f);
    EXPECT_NEAR(o.x, 0.0f, 1e-5f);
    EXPECT_NEAR(o.z, 0.0f, 1e-5f);
}

}  // namespace
