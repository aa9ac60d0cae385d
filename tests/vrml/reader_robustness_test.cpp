// Hostile and real-world input: USE cycles are refused, nesting is bounded,
// thousands of mutated worlds load or fail cleanly, and the shared corpus of
// real worlds loads with its unsupported parts reported and skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "events/node_factory.h"
#include "app/open_stream.h"
#include "vrml/load_world.h"
#include "scene/node_types.h"
#include "scene/scene.h"
#include "scene/shape_nodes.h"
#include "base/log.h"
#include "vrml/reader_test_support.h"

namespace {

using ReaderRobustness = ReaderTest;

// Depth of the chain of first children below a node (the node counts 1).
int32_t chainDepth(const X3DNode* node) {
    int32_t depth = 0;
    while (node) {
        ++depth;
        const auto& children = childrenOf(node);
        node = children.count > 0 ? children[0] : nullptr;
    }
    return depth;
}

TEST_F(ReaderRobustness, UseOfAnOpenNodeIsRefused) {
    X3DNode* root = parse(
        "DEF A Transform { children [ USE A Group { } ] }\n"
        "DEF B Group { children Transform { children [ USE B ] } }\n"
        "DEF S Shape { geometry USE S appearance Appearance { material USE S } }\n"
        "USE A USE B\n");
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(childrenOf(root).count, 5);
    X3DNode* a = childrenOf(root)[0];
    X3DNode* b = childrenOf(root)[1];
    auto* s = static_cast<nShape*>(childrenOf(root)[2]);
    EXPECT_EQ(childTypes(a), std::vector<int32_t>{NodeType::Group});
    ASSERT_EQ(childrenOf(b).count, 1);
    EXPECT_EQ(childrenOf(childrenOf(b)[0]).count, 0);
    EXPECT_EQ(s->geometry.value, nullptr);
    ASSERT_NE(s->appearance.value, nullptr);
    EXPECT_EQ(static_cast<nAppearance*>(s->appearance.value)->material.value, nullptr);
    // Once closed, the nodes are used normally.
    EXPECT_EQ(childrenOf(root)[3], a);
    EXPECT_EQ(childrenOf(root)[4], b);
    EXPECT_EQ(parser->messageCount(), 0);

    // The world is acyclic, so it loads and binds.
    Scene scene(createNode);
    scene.setRoot(root);
    EXPECT_EQ(scene.root, root);
}

TEST_F(ReaderRobustness, NestingIsBoundedAndDeepFilesLoad) {
    // 100000 nested Groups, once with node lists in brackets and once without.
    const int depth = 100000;
    for (bool bracketed : {false, true}) {
        SCOPED_TRACE(bracketed);
        releaseNodeRegistry();
        std::string world;
        world.reserve(static_cast<std::size_t>(depth) * 24);
        for (int i = 0; i < depth; ++i) world += bracketed ? "Group { children [ " : "Group { children ";
        world += "Shape { }";
        for (int i = 0; i < depth; ++i) world += bracketed ? " ] }" : " }";
        world += "\nTransform { }\n";
        X3DNode* root = parse(world);
        ASSERT_NE(root, nullptr);
        // The 201st open node and everything in it are skipped as one group;
        // the world after it is read.
        EXPECT_EQ(childTypes(root), (std::vector<int32_t>{NodeType::Group, NodeType::Transform}));
        EXPECT_EQ(chainDepth(childrenOf(root)[0]), kMaxNodeDepth);
        EXPECT_EQ(nodeRegistry.count, 1 + kMaxNodeDepth + 1);
        EXPECT_EQ(parser->messageCount(), 1);

        Scene scene(createNode);
        scene.setRoot(root);
        scene.initNodes();
        EXPECT_EQ(scene.boundViewpoint, scene.defaultViewpoint);
    }
}

TEST_F(ReaderRobustness, DepthMessage) {
    openTestLog();
    std::string world;
    for (int i = 0; i < kMaxNodeDepth; ++i) world += "Group { children\n";
    world += "Transform { } Shape { }";
    X3DNode* root = parse(world);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(chainDepth(childrenOf(root)[0]), kMaxNodeDepth);
    const std::string expected = "Node nesting too deep at line: " + std::to_string(kMaxNodeDepth + 1);
    EXPECT_EQ(driver.messages, std::vector<std::string>{expected});
}

// Small worlds that use every statement of the language; the mutations start
// from them.
const char* const kSeedWorlds[] = {
    "#VRML V2.0 utf8\n"
    "DEF VP Viewpoint { position 0 1 5 description \"start\" }\n"
    "NavigationInfo { type [ \"WALK\" ] avatarSize [ 0.25 1.6 0.75 ] }\n"
    "Background { skyColor [ 0 0 1 ] }\n"
    "DEF T Transform {\n"
    "  translation 0 0 -3 rotation 0 1 0 0.5\n"
    "  children [\n"
    "    DEF S Shape {\n"
    "      appearance Appearance { material Material { diffuseColor 1 0 0 }\n"
    "                              texture ImageTexture { url \"t.gif\" } }\n"
    "      geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0 ] }\n"
    "                                coordIndex [ 0 1 2 -1 ] texCoord TextureCoordinate { point [ 0 0 1 0 1 1 ] } }\n"
    "    }\n"
    "    USE S\n"
    "  ]\n"
    "}\n"
    "DEF TS TimeSensor { cycleInterval 2 loop TRUE }\n"
    "DEF PI PositionInterpolator { key [ 0 1 ] keyValue [ 0 0 0, 1 1 1 ] }\n"
    "ROUTE TS.fraction_changed TO PI.set_fraction\n"
    "ROUTE PI.value_changed TO T.set_translation\n",

    "Anchor { url \"#VP\" children [ Group { children [ USE Missing\n"
    "  DEF L DirectionalLight { direction 0 0 -1 }\n"
    "  Switch { choice [ Shape { } ] }\n"
    "  Transform { children Viewpoint { jump TRUE } } ] } ] }\n"
    "DEF TOUCH TouchSensor { }\n"
    "DEF PROX ProximitySensor { size 10 10 10 }\n"
    "DEF CI ColorInterpolator { key [ 0 1 ] keyValue [ 1 0 0 0 0 1 ] }\n"
    "DEF OI OrientationInterpolator { key [ 0 1 ] keyValue [ 0 1 0 0 0 1 0 3 ] }\n"
    "DEF SI ScalarInterpolator { key [ 0 1 ] keyValue [ 0 1 ] }\n"
    "DEF CO CoordinateInterpolator { key [ 0 1 ] keyValue [ 0 0 0 1 1 1 ] }\n"
    "ROUTE TOUCH.isActive TO VPX.set_bind\n"
    "PROTO P [ field SFFloat f 1 ] { Group { } }\n",

    "Transform { children [ Shape { geometry IndexedFaceSet { coordIndex [ 0 1 2 ] } } ] }\n"
    "proto Q [ ] { }\n"
    "Group { children Foo }\n"
    "Shape { geometry NULL }\n",
};

// Tokens inserted by the mutations: brackets, statements and names that
// refer to the seeds' DEFs.
const char* const kInsertions[] = {
    "[", "]", "{", "}", "DEF S", "DEF T", "USE S", "USE T", "USE VP", "ROUTE TS.fraction_changed TO PI.set_fraction",
    "ROUTE", "NULL", "PROTO", "proto", "EXTERNPROTO", "Transform", "Shape", "children", "\"", "#", "-", "1e",
    "e99999", "1e-400", "99999999999999999999999", ".", "\n", "\r", "TRUE", "Group { children [",
};

// Reads the bytes as a whole world: parse, make a Scene, prepare the nodes,
// then release everything. Returns whether a world resulted.
bool loadAndRelease(const std::string& bytes) {
    VrmlParser parser(createNode, openStream);
    MemoryStream stream(bytes);
    X3DNode* root = parser.parseStream(&stream);
    bool loaded = false;
    if (root) {
        Scene scene(createNode);
        scene.setRoot(root);
        scene.initNodes();
        loaded = scene.root == root && scene.boundViewpoint && scene.boundNavigationInfo && scene.boundBackground;
        EXPECT_TRUE(loaded);
    }
    releaseNodeRegistry();
    return loaded;
}

TEST_F(ReaderRobustness, MutatedAndRandomWorldsLoadOrFailCleanly) {
    std::mt19937 random(20240607);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    int worlds = 0;
    int loaded = 0;
    auto run = [&](const std::string& bytes) {
        ++worlds;
        if (loadAndRelease(bytes)) ++loaded;
    };

    // Every seed loads as written.
    for (const char* seed : kSeedWorlds) EXPECT_TRUE(loadAndRelease(seed)) << seed;

    // The first seed truncated at every position.
    const std::string full = kSeedWorlds[0];
    for (std::size_t cut = 0; cut <= full.size(); ++cut) run(full.substr(0, cut));

    for (int i = 0; i < 1200; ++i) {
        std::string world = kSeedWorlds[pick(std::size(kSeedWorlds))];
        // Byte flips: any byte value at a few places.
        const std::size_t flips = 1 + pick(8);
        for (std::size_t f = 0; f < flips; ++f) world[pick(world.size())] = static_cast<char>(random() & 0xFF);
        run(world);
    }
    for (int i = 0; i < 1200; ++i) {
        std::string world = kSeedWorlds[pick(std::size(kSeedWorlds))];
        const std::size_t insertions = 1 + pick(6);
        for (std::size_t k = 0; k < insertions; ++k) {
            const std::string token = std::string(" ") + kInsertions[pick(std::size(kInsertions))] + " ";
            world.insert(pick(world.size() + 1), token);
        }
        if (pick(4) == 0) world.resize(pick(world.size() + 1));
        run(world);
    }
    // Byte soup from the reader's own alphabet, and from every byte value.
    const std::string alphabet = "{}[]\"#.-0123456789eE DEFUSEROUTEGroupShapechildren\n";
    for (int i = 0; i < 600; ++i) {
        std::string world(pick(400), ' ');
        const bool anyByte = i % 2 == 0;
        for (char& c : world) c = anyByte ? static_cast<char>(random() & 0xFF) : alphabet[pick(alphabet.size())];
        run(world);
    }
    std::printf("[          ] %d of %d mutated worlds made a Scene\n", loaded, worlds);
    EXPECT_GT(loaded, 0);
    EXPECT_EQ(nodeRegistry.count, 0);
}

TEST_F(ReaderRobustness, SharedCorpusOfRealWorlds) {
    const std::filesystem::path corpus = std::filesystem::path(ORVELLA_SHARED_DIR) / "corpus";
    std::error_code error;
    if (!std::filesystem::is_directory(corpus, error)) GTEST_SKIP() << "no corpus at " << corpus;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus, error)) {
        if (entry.is_regular_file() && entry.path().extension() == ".wrl") files.push_back(entry.path());
    }
    if (files.empty()) GTEST_SKIP() << "no .wrl files under " << corpus;
    std::sort(files.begin(), files.end());

    openTestLog();
    int loaded = 0;
    int64_t messages = 0;
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        VrmlParser parser(createNode, openStream);
        std::unique_ptr<Scene> scene = loadWorld(parser, widenText(file.string()));
        messages += parser.messageCount();
        if (scene) {
            ++loaded;
            scene->initNodes();
            EXPECT_NE(scene->boundViewpoint, nullptr);
            EXPECT_NE(scene->root, nullptr);
        }
        scene.reset();
        releaseNodeRegistry();
    }
    std::printf("[          ] corpus: %d of %zu worlds loaded, %lld reader messages\n", loaded, files.size(),
                static_cast<long long>(messages));
    EXPECT_GT(loaded, 0);
}

}  // namespace
