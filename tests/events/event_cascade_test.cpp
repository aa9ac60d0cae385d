// Worlds that animate through routes, run frame by frame in-process: what a
// sensor's cascade changes is seen in the same frame, the later sensor has
// the last word, a FALSE "set_bind" binds, a route into a Material is used at
// the next visit, cycles end, and a morphed mesh is culled and lit by its new
// points.
#include <gtest/gtest.h>

#include <string>

#include "event_world.h"
#include "scene/bindable_nodes.h"
#include "scene/geometry_nodes.h"
#include "scene/grouping_nodes.h"
#include "scene/interpolator_nodes.h"
#include "scene/sensor_nodes.h"

namespace {

std::string quad(float cx, float cy, float half, const std::string& material) {
    auto n = [](float v) { return std::to_string(v); };
    return "Shape { appearance Appearance { material " + material + " }\n"
           "  geometry IndexedFaceSet { coord Coordinate { point [ " +
           n(cx - half) + " " + n(cy - half) + " 0, " + n(cx + half) + " " + n(cy - half) + " 0, " +
           n(cx + half) + " " + n(cy + half) + " 0, " + n(cx - half) + " " + n(cy + half) +
           " 0 ] }\n    coordIndex [ 0 1 2 3 -1 ] } }\n";
}

const std::string kRed = "Material { emissiveColor 1 0 0 }";

class EventCascade : public EventWorld {};

TEST_F(EventCascade, SensorInterpolatorTransformInOneFrame) {
    load("DEF Mover Transform { children " + quad(0, 0, 0.5f, kRed) + " }\n"
         "DEF Clock TimeSensor { loop TRUE cycleInterval 4 }\n"
         "DEF Path PositionInterpolator { key [ 0 1 ] keyValue [ -2 0 0, 2 0 0 ] }\n"
         "ROUTE Clock.fraction_changed TO Path.set_fraction\n"
         "ROUTE Path.value_changed TO Mover.set_translation\n");
    auto* mover = named<nTransform>(u"Mover");
    EXPECT_EQ(mover->translation.value.x, -2.0f);  // fraction 0, sent at the start
    frame(1.0);
    EXPECT_EQ(mover->translation.value.x, -1.0f);
    ASSERT_EQ(scene->renderRecords.count, 1);
    EXPECT_EQ(scene->renderRecords[0].modelView.tx, -1.0f);
    // 28.97 pixels per unit at the default view's distance.
    EXPECT_EQ(pixel(120 - 29, 160), packRgb565(1, 0, 0));
    EXPECT_EQ(pixel(120, 160), 0);
}

TEST_F(EventCascade, SensorLaterInTheFileHasTheLastWord) {
    const struct { const char* first; const char* second; float x; } orders[] = {
        {"Fast", "Slow", -1.0f},  // Slow (fraction 0.25) ticks last
        {"Slow", "Fast", 0.0f},   // Fast (fraction 0.5) ticks last
    };
    for (const auto& order : orders) {
        auto sensor = [](const std::string& name) {
            return "DEF " + name + " TimeSensor { loop TRUE cycleInterval " + (name == "Fast" ? "2" : "4") + " }\n";
        };
        load("DEF Mover Transform { }\n" + sensor(order.first) + sensor(order.second) +
             "DEF Path PositionInterpolator { key [ 0 1 ] keyValue [ -2 0 0, 2 0 0 ] }\n"
             "ROUTE Fast.fraction_changed TO Path.set_fraction\n"
             "ROUTE Slow.fraction_changed TO Path.set_fraction\n"
             "ROUTE Path.value_changed TO Mover.translation\n");
        frame(1.0);
        EXPECT_EQ(named<nTransform>(u"Mover")->translation.value.x, order.x) << order.first;
        TearDown();
    }
}

TEST_F(EventCascade, SetBindFalseBindsInTheSameFrame) {
    load("DEF First Viewpoint { }\n"
         "DEF Second Viewpoint { position 0 0 20 jump TRUE }\n"
         "DEF Starter TimeSensor { loop TRUE cycleInterval 1000 }\n"
         "DEF Shot TimeSensor { cycleInterval 1 }\n"
         "ROUTE Starter.startTime TO Shot.set_startTime\n"
         "ROUTE Shot.isActive TO Second.set_bind\n");
    auto* first = named<nViewpoint>(u"First");
    auto* second = named<nViewpoint>(u"Second");
    EXPECT_EQ(scene->boundViewpoint, second);  // isActive TRUE at the start
    scene->bind(first);
    frame(0.5);
    EXPECT_EQ(scene->boundViewpoint, first);
    frame(1.5);  // the single shot ends: isActive FALSE
    EXPECT_FALSE(second->set_bind.value);
    EXPECT_EQ(scene->boundViewpoint, second);
    EXPECT_EQ(scene->viewMatrix.tz, -20.0f);  // already this frame's view
}

TEST_F(EventCascade, RouteIntoMaterialIsUsedAtTheNextVisit) {
    load(quad(0, 0, 1, "DEF Paint Material { }") +
         "DEF Clock TimeSensor { loop TRUE cycleInterval 4 }\n"
         "DEF Fade ColorInterpolator { key [ 0 1 ] keyValue [ 1 0 0, 0 0 1 ] }\n"
         "ROUTE Clock.fraction_changed TO Fade.set_fraction\n"
         "ROUTE Fade.value_changed TO Paint.set_diffuseColor\n");
    frame(1.0);
    const float* drawn = scene->renderRecords[0].surface.diffuse;
    EXPECT_EQ(drawn[0], 0.75f);
    EXPECT_EQ(drawn[1], 0.0f);
    EXPECT_EQ(drawn[2], 0.25f);
    EXPECT_EQ(pixel(120, 160), packRgb565(0.75f, 0, 0.25f));
}

TEST_F(EventCascade, CyclesAndSelfRoutesEndEveryFrame) {
    load("DEF Clock TimeSensor { loop TRUE cycleInterval 4 }\n"
         "DEF A ScalarInterpolator { key [ 0 1 ] keyValue [ 0 1 ] }\n"
         "DEF B ScalarInterpolator { key [ 0 1 ] keyValue [ 1 0 ] }\n"
         "ROUTE Clock.fraction_changed TO A.set_fraction\n"
         "ROUTE A.value_changed TO B.set_fraction\n"
         "ROUTE B.value_changed TO A.set_fraction\n"
         "ROUTE A.value_changed TO A.value_changed\n"
         "ROUTE A.set_fraction TO A.set_fraction\n"
         "ROUTE Clock.time TO Clock.time\n"
         "ROUTE Clock.fraction_changed TO Clock.fraction_changed\n");
    auto* a = named<nScalarInterpolator>(u"A");
    auto* b = named<nScalarInterpolator>(u"B");
    // f reaches A, A sends f to B, B sends 1 - f back to A, whose own send
    // is still running: A ends at 1 - f, and nothing goes round again.
    for (int i = 1; i <= 40; ++i) {
        const double t = 0.1 * i;
        frame(t);
        const float f = named<nTimeSensor>(u"Clock")->fraction_changed.value;
        EXPECT_FLOAT_EQ(b->value_changed.value, 1 - f) << t;
        EXPECT_FLOAT_EQ(a->set_fraction.value, 1 - f) << t;
        EXPECT_FLOAT_EQ(a->value_changed.value, 1 - f) << t;
    }
}

TEST_F(EventCascade, MorphedMeshIsCulledAndLitByItsNewPoints) {
    // Far to the right (out of view, edge-on) at key 0, facing the eye at
    // (-1.5, 1.5) from key 0.5 on; a second mesh shares the points one unit
    // set lower, a still quad at (1.5, 1.5) shows the expected light.
    const std::string start = "30 1 0, 30 1 -1, 30 2 -1, 30 2 0";
    const std::string facing = "-2 1 0, -1 1 0, -1 2 0, -2 2 0";
    load("NavigationInfo { headlight TRUE }\n"
         "Shape { appearance Appearance { material DEF White Material { diffuseColor 1 1 1 } }\n"
         "  geometry DEF Mesh IndexedFaceSet { coord DEF Points Coordinate { point [ " + start + " ] }\n"
         "    coordIndex [ 0 1 2 3 -1 ] } }\n"
         "Transform { translation 0 -3 0 children Shape { appearance Appearance { material USE White }\n"
         "  geometry IndexedFaceSet { coord USE Points coordIndex [ 0 1 2 3 -1 ] } } }\n" +
         quad(1.5f, 1.5f, 0.5f, "USE White") +
         "DEF Clock TimeSensor { loop TRUE cycleInterval 2 }\n"
         "DEF Morph CoordinateInterpolator { key [ 0 0.5 ] keyValue [ " + start + ", " + facing + " ] }\n"
         "DEF Other Coordinate { point [ 7 7 7 ] }\n"
         "DEF Keys CoordinateInterpolator { key [ 0 ] keyValue [ 5 5 5 ] }\n"
         "ROUTE Clock.fraction_changed TO Morph.set_fraction\n"
         "ROUTE Morph.value_changed TO Points.set_point\n"
         "ROUTE Morph.value_changed TO Keys.keyValue\n"
         "ROUTE Points.point TO Other.point\n");
    scene->lighting = true;
    frame(0.1);
    const uint16_t expected = pixel(163, 116);
    EXPECT_NE(expected, 0);
    EXPECT_EQ(pixel(76, 116), 0);
    frame(1.5);  // fraction 0.75: the facing points
    EXPECT_EQ(pixel(76, 116), expected);
    EXPECT_EQ(pixel(76, 203), expected);
    auto* mesh = named<nIndexedFaceSet>(u"Mesh");
    EXPECT_EQ(mesh->boundsCenter.x, -1.5f);
    ASSERT_EQ(mesh->normals.count, 1);
    EXPECT_EQ(mesh->normals[0].z, -1.0f);  // to the back of a face towards +z
    // Every other point route only tells.
    EXPECT_EQ(named<nCoordinate>(u"Other")->point.value.count, 1);
    EXPECT_EQ(named<nCoordinate>(u"Other")->point.value[0].x, 7.0f);
    EXPECT_EQ(named<nCoordinateInterpolator>(u"Keys")->keyValue.value[0].x, 5.0f);
}

}  // namespace
