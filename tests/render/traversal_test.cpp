#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "base/limits.h"
#include "base/log.h"
#include "support/temp_dir.h"
#include "render_fixture.h"
#include "scene/scene_test_support.h"
#include "scene/sensor_nodes.h"

namespace {

using namespace render_test;

using TraversalTest = RenderFixture;

// A sensor that writes what it sees into a shared log.
class ProbeSensor : public X3DSensorNode {
public:
    ProbeSensor(std::vector<std::string>* log, std::string label, int32_t type) : log(log), label(std::move(label)) {
        nodeType = type;
    }
    void start(FrameClock* clock) override {
        log->push_back("start " + label + " " + std::to_string(clock->now));
    }
    void tick(FrameClock* clock) override {
        Scene* scene = clock->clockScene;
        log->push_back("tick " + label + " pick=" + (clock->pickResult ? "yes" : "no") +
                       " tz=" + std::to_string(static_cast<int>(scene->viewMatrix.tz)));
        if (onTick) onTick(*clock);
    }
    std::vector<std::string>* log;  // not owned
    std::string label;
    std::function<void(FrameClock&)> onTick;
};

ProbeSensor* probe(std::vector<std::string>* log, const std::string& label, int32_t type) {
    auto* sensor = new ProbeSensor(log, label, type);
    nodeRegistry.append(sensor);  // the registry owns it
    return sensor;
}

TEST_F(TraversalTest, ShapesGoToTheirPass) {
    nShape* bare = shape(square(0, 0, 0, 1));
    nShape* solid = shape(square(0, 0, 0, 1), material({1, 0, 0}, {0, 0, 0}, 0.0f));
    nShape* glass = shape(square(0, 0, 0, 1), material({1, 0, 0}, {0, 0, 0}, 0.5f));
    nShape* behind = shape(square(0, 0, 20, 1), material({1, 0, 0}, {0, 0, 0}));
    nShape* empty = shape(nullptr, material({1, 0, 0}, {0, 0, 0}));
    for (nShape* s : {bare, solid, glass, behind, empty}) addChild(root, s);
    frame();
    ASSERT_EQ(scene->renderRecords.count, 4);  // no record without a geometry
    EXPECT_EQ(scene->renderRecords[0].shape, bare);
    EXPECT_EQ(scene->renderRecords[3].shape, behind);  // culled, yet recorded
    ASSERT_EQ(scene->opaqueList.count, 1);
    EXPECT_EQ(scene->opaqueList[0], 1);
    ASSERT_EQ(scene->transparentList.count, 2);
    EXPECT_EQ(scene->transparentList[0], 0);
    EXPECT_EQ(scene->transparentList[1], 2);

    const SurfaceState& grey = scene->renderRecords[0].surface;
    EXPECT_FALSE(grey.opaque);
    EXPECT_FALSE(grey.lit);
    EXPECT_FLOAT_EQ(grey.emissive[0], 0.5f);
    EXPECT_FLOAT_EQ(grey.diffuse[0], 1.0f);
    const SurfaceState& red = scene->renderRecords[1].surface;
    EXPECT_TRUE(red.opaque);
    EXPECT_FLOAT_EQ(red.emissive[0], 1.0f);  // black emissive: the diffuse colour
    EXPECT_FLOAT_EQ(red.emissive[1], 0.0f);
}

TEST_F(TraversalTest, ShapeWithoutAppearanceIsDrawnGrey) {
    addChild(root, shape(square(0, 0, 0, 1)));
    frame();
    EXPECT_EQ(pixel(120, 160), packRgb565(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(pixel(5, 5), 0);
}

TEST_F(TraversalTest, HostileNodesInEverySlot) {
    nMaterial* notAShape = make<nMaterial>(NodeType::Material);
    // An Appearance slot holding a Material, a material slot holding a Shape,
    // a texture slot holding a Coordinate, a geometry that is a Coordinate, a
    // coord holding a Shape and a texCoord holding a Coordinate.
    nShape* a = shape(square(0, 0, 0, 1));
    a->appearance.value = notAShape;
    nShape* b = shape(square(0, 0, 0, 1), material({1, 1, 1}, {0, 0, 0}));
    auto* appearance = static_cast<nAppearance*>(b->appearance.value);
    appearance->material.value = a;
    appearance->texture.value = coordinate({{0, 0, 0}});
    nShape* c = shape(coordinate({{0, 0, 0}}));
    nIndexedFaceSet* strange = square(0, 0, 0, 1);
    strange->coord.value = a;
    nIndexedFaceSet* texCoordIsCoord = square(0, 0, 0, 1);
    texCoordIsCoord->texCoord.value = coordinate({{0, 0, 0}});
    for (nShape* s : {a, b, c, shape(strange), shape(texCoordIsCoord)}) addChild(root, s);
    addChild(root, notAShape);  // not a grouping node: nothing to visit
    frame();
    EXPECT_EQ(scene->renderRecords.count, 5);
    EXPECT_FALSE(scene->renderRecords[0].surface.opaque);
    EXPECT_FALSE(scene->renderRecords[1].surface.textured);
    EXPECT_EQ(pixel(120, 160), packRgb565(0.5f, 0.5f, 0.5f));
}

TEST_F(TraversalTest, GroupBoxCullsChildrenAndLights) {
    auto* away = make<nGroup>(NodeType::Group);
    away->bboxCenter.value = {-100, 0, 0};
    away->bboxSize.value = {2, 2, 2};
    addChild(root, away);
    addChild(away, shape(square(0, 0, 0, 1), material({1, 0, 0}, {0, 0, 0})));
    addChild(away, light({0, 0, -1}, 0.5f));
    auto* near = make<nTransform>(NodeType::Transform);
    near->translation.value = {100, 0, 0};
    near->bboxCenter.value = {-100, 0, 0};  // its own coordinates: in view
    near->bboxSize.value = {2, 2, 2};
    addChild(root, near);
    addChild(near, light({1, 0, 0}, 0.25f));
    frame();
    EXPECT_EQ(scene->renderRecords.count, 0);
    ASSERT_EQ(scene->lights.count, 2);
    EXPECT_FLOAT_EQ(scene->lights[0].intensity, 0.25f);
    EXPECT_FLOAT_EQ(scene->lights[1].intensity, 1.0f);  // the headlight

    // No lights: the headlight alone; headlight off: none at all.
    root->children.value.clear();
    frame();
    ASSERT_EQ(scene->lights.count, 1);
    EXPECT_FLOAT_EQ(scene->lights[0].z, -1.0f);
    scene->defaultNavigationInfo->headlight.value = false;
    frame();
    EXPECT_EQ(scene->lights.count, 0);
}

TEST_F(TraversalTest, FrameRateOverTenFrames) {
    driver.now = 1000;
    scene->startClock(1.0, driver.now);
    EXPECT_EQ(scene->fps, 0);
    EXPECT_EQ(scene->fpsTick, 1000);
    auto tenFrames = [&](uint32_t end) {
        for (int i = 0; i < 10; ++i) {
            driver.now = i == 9 ? end : driver.now;
            frame();
        }
    };
    tenFrames(1500);
    EXPECT_EQ(scene->fps, 20);
    EXPECT_EQ(scene->fpsFrames, 0);
    tenFrames(4500);
    EXPECT_EQ(scene->fps, 3);
    tenFrames(4500);  // no time passed: unchanged
    EXPECT_EQ(scene->fps, 3);
    tenFrames(4500 + 7);
    EXPECT_EQ(scene->fps, 1428);
    // Across the wrap of the millisecond count.
    scene->fpsTick = static_cast<int32_t>(0xFFFFFF00u);
    tenFrames(0x100);
    EXPECT_EQ(scene->fps, 19);
    // Nine frames change nothing.
    for (int i = 0; i < 9; ++i) frame();
    EXPECT_EQ(scene->fpsFrames, 9);
}

TEST_F(TraversalTest, SensorsTickAroundTheCamera) {
    std::vector<std::string> log;
    ProbeSensor* time = probe(&log, "time", NodeType::TimeSensor);
    probe(&log, "proximity", NodeType::ProximitySensor);
    probe(&log, "touch", NodeType::TouchSensor);
    scene->startClock(3.0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"start time 3.000000", "start proximity 3.000000",
                                             "start touch 3.000000"}));
    EXPECT_EQ(scene->frameClock.clockScene, scene.get());
    EXPECT_EQ(scene->frameClock.lastFrameTime, 3.0);

    // The TimeSensor moves the viewpoint: the ProximitySensor, ticked after
    // the camera, sees the new view; the TouchSensor, before it, the old one.
    // A node made during a tick is visited in the same loop.
    bool made = false;
    time->onTick = [&](FrameClock&) {
        scene->defaultViewpoint->position.value = {0, 0, 20};
        if (!made) {
            made = true;
            probe(&log, "late", NodeType::TimeSensor);
        }
    };
    scene->frameClock.pickResult = root;
    log.clear();
    frame(4.0);
    EXPECT_EQ(log, (std::vector<std::string>{"tick time pick=yes tz=0", "tick touch pick=yes tz=0",
                                             "tick late pick=yes tz=0", "tick proximity pick=no tz=-20"}));
    EXPECT_EQ(scene->frameClock.pickResult, nullptr);  // one frame only
    EXPECT_EQ(scene->frameClock.now, 4.0);
    EXPECT_EQ(scene->frameClock.lastFrameTime, 3.0);
}

TEST_F(TraversalTest, DeepAndSharedGraphsAreBoundedAndSaySoOnce) {
    TempDir logDir;
    openLog(nullptr, logDir.file("log.txt"));
    // A chain much deeper than the walk goes: built bottom up, each group
    // holding the one before, as repeated USE makes it.
    X3DNode* bottom = shape(square(0, 0, 0, 1));
    X3DNode* chain = bottom;
    for (int i = 0; i < 100000; ++i) {
        auto* group = make<nGroup>(NodeType::Group);
        group->children.value.append(chain);
        chain = group;
    }
    addChild(root, chain);
    frame();
    EXPECT_EQ(scene->renderRecords.count, 0);  // too deep to reach

    // A chain within the bound is drawn.
    root->children.value.clear();
    chain = bottom;
    for (int i = 0; i < 500; ++i) {
        auto* t = make<nTransform>(NodeType::Transform);
        t->children.value.append(chain);
        chain = t;
    }
    addChild(root, chain);
    frame();
    EXPECT_EQ(scene->renderRecords.count, 1);

    // Each level holding the one below twice: 2^40 paths, cut by the budget.
    // (The shape stands behind the eye: recorded, never drawn.)
    root->children.value.clear();
    X3DNode* level = shape(square(0, 0, 20, 1));
    for (int i = 0; i < 40; ++i) {
        auto* group = make<nGroup>(NodeType::Group);
        group->children.value.append(level);
        group->children.value.append(level);
        level = group;
    }
    addChild(root, level);
    frame();
    frame();
    EXPECT_GT(scene->renderRecords.count, 0);
    EXPECT_LE(scene->renderRecords.count, kMaxTraversalVisits);

    // Each bound is named in the log the first time a frame meets it.
    closeLog();
    std::ifstream in(logDir.file("log.txt"));
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text,
              "ORVELLA log: version: 1, build: 1"
              "World nested deeper than 1000 levels: the deeper nodes are not drawn\n"
              "World too large: only the first 262144 nodes are drawn each frame\n");
}

TEST_F(TraversalTest, FailedGrowthLeavesShapesUndrawn) {
    for (int i = 0; i < 6; ++i) addChild(root, shape(square(0, 0, 0, 1), material({0, 1, 0}, {0, 0, 0})));
    {
        AllocatorLimit limit(0);  // the lists cannot grow at all
        frame();
    }
    EXPECT_EQ(scene->renderRecords.count, 0);
    EXPECT_EQ(pixel(120, 160), 0);
    {
        AllocatorLimit limit(1);  // the records grow once; the lists not at all
        frame();
    }
    EXPECT_EQ(scene->renderRecords.count, 4);
    EXPECT_EQ(scene->opaqueList.count, 0);
    EXPECT_EQ(pixel(120, 160), 0);
    frame();
    EXPECT_EQ(scene->opaqueList.count, 6);
    EXPECT_EQ(pixel(120, 160), packRgb565(0, 1, 0));
}

}  // namespace
