// The loaded world as a container: construction, loadWorld, the registry
// order with the defaults last, initNodes, the world name, the rasterizer's
// screen size and teardown.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "events/node_factory.h"
#include "app/open_stream.h"
#include "vrml/load_world.h"
#include "raster/bitmap.h"
#include "raster/rasterizer.h"
#include "scene/bindable_nodes.h"
#include "scene/node_types.h"
#include "scene/scene.h"
#include "base/log.h"
#include "vrml/reader_test_support.h"

namespace {

using SceneContainer = ReaderTest;

// Records each prepare into a journal; optionally makes one more probe from
// inside its own prepare.
class PrepareProbe : public X3DNode {
public:
    PrepareProbe(std::vector<const X3DNode*>* journal, std::function<void()> onPrepare = {})
        : X3DNode(NodeCategory::Other), journal(journal), onPrepare(std::move(onPrepare)) {}
    void prepare(Scene*) override {
        journal->push_back(this);
        if (onPrepare) onPrepare();
    }
    std::vector<const X3DNode*>* journal;  // not owned
    std::function<void()> onPrepare;
};

PrepareProbe* registerProbe(std::vector<const X3DNode*>* journal, std::function<void()> onPrepare = {}) {
    auto* probe = new PrepareProbe(journal, std::move(onPrepare));
    nodeRegistry.append(probe);  // the registry owns it from here
    return probe;
}

TEST_F(SceneContainer, Construction) {
    Scene scene(createNode);
    EXPECT_EQ(scene.rasterizer, nullptr);
    EXPECT_EQ(scene.root, nullptr);
    EXPECT_EQ(scene.boundViewpoint, nullptr);
    EXPECT_EQ(scene.boundNavigationInfo, nullptr);
    EXPECT_EQ(scene.boundBackground, nullptr);
    ASSERT_EQ(nodeRegistry.count, 3);
    EXPECT_EQ(nodeRegistry[0], scene.defaultViewpoint);
    EXPECT_EQ(nodeRegistry[1], scene.defaultNavigationInfo);
    EXPECT_EQ(nodeRegistry[2], scene.defaultBackground);
    const int32_t types[] = {NodeType::Viewpoint, NodeType::NavigationInfo, NodeType::Background};
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(nodeRegistry[i]->nodeType, types[i]);
        EXPECT_EQ(nodeRegistry[i]->name, u"default");
    }
    EXPECT_NE(scene.rasterVertices, nullptr);
    EXPECT_EQ(scene.rasterVertexCapacity, 1000);
    EXPECT_NE(scene.shades, nullptr);
    EXPECT_EQ(scene.shadeCapacity, 1000);
    EXPECT_EQ(scene.renderRecords.capacity, 0);
    EXPECT_EQ(scene.opaqueList.count, 0);
    EXPECT_EQ(scene.transparentList.items, nullptr);
    EXPECT_EQ(scene.lights.capacity, 0);
    EXPECT_TRUE(scene.baseDirectory.empty());
    EXPECT_TRUE(scene.fileName.empty());
    EXPECT_FALSE(scene.lighting);
}

TEST_F(SceneContainer, LoadWorldRegistersRootNodesThenDefaults) {
    const std::string path = scratch.write(
        "world.wrl",
        "Transform { children [ Shape { appearance Appearance { material Material { } }\n"
        "  geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0 ] } } } ] }\n"
        "TimeSensor { }\n");
    VrmlParser parser(createNode, openStream);
    std::unique_ptr<Scene> scene = loadWorld(parser, widenText(path));
    ASSERT_NE(scene, nullptr);
    const int32_t n = 7;
    ASSERT_EQ(nodeRegistry.count, n + 4);
    EXPECT_EQ(nodeRegistry[0], scene->root);
    EXPECT_EQ(scene->root->name, u"SCENEGRAPH");
    const int32_t fileTypes[] = {NodeType::Transform, NodeType::Shape, NodeType::Appearance, NodeType::Material,
                                 NodeType::IndexedFaceSet, NodeType::Coordinate, NodeType::TimeSensor};
    for (int32_t i = 0; i < n; ++i) EXPECT_EQ(nodeRegistry[1 + i]->nodeType, fileTypes[i]) << i;
    EXPECT_EQ(nodeRegistry[n + 1], scene->defaultViewpoint);
    EXPECT_EQ(nodeRegistry[n + 2], scene->defaultNavigationInfo);
    EXPECT_EQ(nodeRegistry[n + 3], scene->defaultBackground);
    EXPECT_EQ(scene->baseDirectory, widenText(scratch.path() + "/"));
    EXPECT_EQ(scene->fileName, u"world.wrl");
    EXPECT_EQ(scene->boundViewpoint, scene->defaultViewpoint);
}

TEST_F(SceneContainer, WorldsThatMakeNoScene) {
    const std::string unsupported = scratch.write("boxes.wrl", "Box { } Sphere { radius 2 } Switch { }");
    VrmlParser parser(createNode, openStream);
    EXPECT_EQ(loadWorld(parser, widenText(unsupported)), nullptr);
    EXPECT_EQ(nodeRegistry.count, 1);  // only the root: no Scene, no defaults

    VrmlParser missing(createNode, openStream);
    EXPECT_EQ(loadWorld(missing, widenText(scratch.file("absent.wrl"))), nullptr);
    VrmlParser empty(createNode, openStream);
    EXPECT_EQ(loadWorld(empty, widenText(scratch.write("empty.wrl", ""))), nullptr);
    EXPECT_EQ(nodeRegistry.count, 2);
}

TEST_F(SceneContainer, InitNodesPreparesTheWholeRegistryInOrder) {
    std::vector<const X3DNode*> journal;
    const PrepareProbe* before = registerProbe(&journal);
    X3DNode* root = parse("Viewpoint { } Group { children Viewpoint { } }");
    ASSERT_NE(root, nullptr);
    auto* fileViewpoint = static_cast<nViewpoint*>(nodeRegistry[2]);
    Scene scene(createNode);
    scene.setRoot(root);

    // Probe checks at prepare time: "before" runs ahead of the file's nodes,
    // "after" (registered after the defaults) behind every one of them; its
    // own new probe is reached too, as the count is read afresh.
    bool fileViewpointUnpreparedAtFirst = false;
    bool defaultPreparedBeforeLast = false;
    const PrepareProbe* made = nullptr;
    static_cast<PrepareProbe*>(nodeRegistry[0])->onPrepare = [&] {
        fileViewpointUnpreparedAtFirst = fileViewpoint->ownerScene == nullptr;
    };
    const PrepareProbe* after = registerProbe(&journal, [&] {
        defaultPreparedBeforeLast = scene.defaultViewpoint->ownerScene == &scene && fileViewpoint->ownerScene == &scene;
        made = registerProbe(&journal);
    });
    scene.initNodes();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(journal, (std::vector<const X3DNode*>{before, after, made}));
    EXPECT_TRUE(fileViewpointUnpreparedAtFirst);
    EXPECT_TRUE(defaultPreparedBeforeLast);
}

TEST_F(SceneContainer, WorldNameSplitsAtTheLastSlash) {
    const struct {
        const char16_t* name;
        const char16_t* base;
        const char16_t* file;
    } cases[] = {
        {u"worlds/sub/room.wrl", u"worlds/sub/", u"room.wrl"},
        {u"/abs/room.wrl", u"/abs/", u"room.wrl"},
        {u"room.wrl", u"", u"room.wrl"},
        {u"http://example.org/a/b.wrl", u"http://example.org/a/", u"b.wrl"},
        {u"dir/", u"dir/", u""},
        {u"", u"", u""},
        {u"dir\\room.wrl", u"", u"dir\\room.wrl"},  // a backslash is an ordinary character here
    };
    Scene scene(createNode);
    for (const auto& c : cases) {
        scene.setWorldName(c.name);
        EXPECT_EQ(scene.baseDirectory, c.base);
        EXPECT_EQ(scene.fileName, c.file);
    }
}

TEST_F(SceneContainer, AttachRasterizerTakesTheTargetSize) {
    Scene scene(createNode);
    Rasterizer rasterizer;
    OwnedBitmap target = newBitmap(241, 319, false);
    ASSERT_NE(target, nullptr);
    rasterizer.attachTarget(target.get());
    scene.attachRasterizer(&rasterizer);
    EXPECT_EQ(scene.rasterizer, &rasterizer);
    EXPECT_EQ(scene.screenWidth, 241.0f);
    EXPECT_EQ(scene.screenHeight, 319.0f);
    // Halved as integers before the conversion.
    EXPECT_EQ(scene.screenHalfWidth, 120.0f);
    EXPECT_EQ(scene.screenHalfHeight, 159.0f);
}

TEST_F(SceneContainer, TeardownLeavesTheNodesAndForgetsTheScene) {
    X3DNode* root = parse("Viewpoint { }");
    ASSERT_NE(root, nullptr);
    auto* viewpoint = static_cast<nViewpoint*>(childrenOf(root)[0]);
    {
        Scene scene(createNode);
        scene.setRoot(root);
        scene.initNodes();
        EXPECT_EQ(viewpoint->ownerScene, &scene);
    }
    EXPECT_EQ(nodeRegistry.count, 5);
    // A set_bind after the world is gone binds nothing and touches nothing.
    EXPECT_EQ(viewpoint->ownerScene, nullptr);
    viewpoint->set_bind.setValue(true);
}

}  // namespace
