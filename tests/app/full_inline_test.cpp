// Inline in the full profile: the inlined world under the Inline with its own
// DEF names and working ROUTEs, names relative to the file that holds the
// Inline, nesting, the refusals of cycles and of too deep or too many files,
// missing files; and the inlined world drawn by the viewer like the same
// nodes written in place.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/render_sample.h"
#include "raster/fake_image_driver.h"
#include "raster/rasterizer.h"
#include "app/world_reader.h"
#include "scene/bindable_nodes.h"
#include "scene/grouping_nodes.h"
#include "scene/interpolator_nodes.h"
#include "scene/node_types.h"
#include "scene/world_nodes.h"
#include "shell/driver_headless.h"
#include "vrml/inline_loader.h"
#include "vrml/load_world.h"
#include "vrml/reader_test_support.h"

namespace {

// "f<i>.wrl", built in steps (GCC 12 warns falsely on the chained concatenation).
std::string chainFile(int32_t i) {
    std::string name = "f";
    name += std::to_string(i);
    name += ".wrl";
    return name;
}

const std::string kHeader = "#VRML V2.0 utf8\n";

class FullInline : public ReaderTest {
protected:
    // Writes the file (folders made as needed) and returns its path.
    std::string put(const std::string& name, const std::string& body) {
        const std::string path = scratch.file(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << kHeader << body;
        return path;
    }
    std::unique_ptr<Scene> load(const std::string& path, Profile profile = Profile::Full) {
        parser = makeWorldReader(profile);
        parser->setMessageObserver([this](const std::u16string& m) { messages.push_back(narrowText(m)); });
        return loadWorld(*parser, widenText(path));
    }
    // The world's top-level node number i, which must be an Inline.
    static nInline* inlineAt(const Scene& scene, int32_t i) {
        const SimpleArray<X3DNode*>& top = childrenOf(scene.root);
        if (i >= top.count || top[i]->nodeType != NodeType::Inline) return nullptr;
        return static_cast<nInline*>(top[i]);
    }
    std::vector<std::string> messages;
};

TEST_F(FullInline, TheInlinedWorldBecomesTheChildrenWithItsOwnNamesAndRoutes) {
    put("parts/part.wrl",
        "DEF T Transform { children Shape { geometry IndexedFaceSet { } } }\n"
        "DEF P PositionInterpolator { key [ 0 1 ] keyValue [ 0 0 0, 2 4 6 ] }\n"
        "ROUTE P.value_changed TO T.set_translation\n"
        "Group { children USE OUTER }\n"
        "Viewpoint { description \"inlined\" }\n"
        "Background { skyColor 1 0 0 }\n");
    const std::string main = put("main.wrl",
                                 "DEF OUTER Group { }\n"
                                 "Inline { url \"parts/part.wrl\" bboxSize 1 2 3 }\n"
                                 "ROUTE P.value_changed TO OUTER.set_children\n");
    const std::unique_ptr<Scene> scene = load(main);
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->profile, Profile::Full);
    nInline* in = inlineAt(*scene, 1);
    ASSERT_NE(in, nullptr);
    EXPECT_TRUE(in->loadTried);
    EXPECT_EQ(in->bboxSize.value.y, 2.0f);
    ASSERT_EQ(childTypes(in), (std::vector<int32_t>{NodeType::Transform, NodeType::PositionInterpolator,
                                                    NodeType::Group, NodeType::Viewpoint, NodeType::Background}));
    for (X3DNode* child : childrenOf(in)) EXPECT_EQ(child->parent, in);
    // The world's own names are not the inlined file's: its ROUTE to P fails,
    // the file's USE of OUTER yields nothing.
    EXPECT_EQ(messages, std::vector<std::string>{"Error in route:4"});
    EXPECT_EQ(childrenOf(childrenOf(in)[2]).count, 0);
    // The file's ROUTE works, and counts.
    EXPECT_EQ(parser->routeCount(), 1);
    auto* transform = static_cast<nTransform*>(childrenOf(in)[0]);
    static_cast<nPositionInterpolator*>(childrenOf(in)[1])->set_fraction.setValue(0.5f);
    EXPECT_EQ(transform->translation.value.x, 1.0f);
    EXPECT_EQ(transform->translation.value.z, 3.0f);
    // The inlined bindable nodes are not bound at the start.
    EXPECT_EQ(scene->boundViewpoint, scene->defaultViewpoint);
    EXPECT_EQ(scene->boundBackground, scene->defaultBackground);
}

TEST_F(FullInline, NamesAreReadFromTheFolderOfTheFileThatHoldsTheInline) {
    put("leaf.wrl", "Group { }\n");
    put("a/one.wrl", "Inline { url \"b/two.wrl\" }\n");
    put("a/b/two.wrl", "Inline { url \"../../leaf.wrl\" }\n");
    const std::string main = put("main.wrl",
                                 "Inline { url \"a/one.wrl\" }\n"
                                 // The first entry that opens is read, and the ones that do not are not named.
                                 "Inline { url [ \"\" \"missing.wrl\" \"./a/../leaf.wrl\" \"a/one.wrl\" ] }\n"
                                 "Inline { url \"" + scratch.file("leaf.wrl") + "\" }\n");
    const std::unique_ptr<Scene> scene = load(main);
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(messages, std::vector<std::string>{});
    const X3DNode* level = inlineAt(*scene, 0);
    for (int32_t depth = 0; depth < 2; ++depth) {
        ASSERT_EQ(childTypes(level), std::vector<int32_t>{NodeType::Inline}) << depth;
        level = childrenOf(level)[0];
    }
    EXPECT_EQ(childTypes(level), std::vector<int32_t>{NodeType::Group});
    EXPECT_EQ(childTypes(inlineAt(*scene, 1)), std::vector<int32_t>{NodeType::Group});
    EXPECT_EQ(childTypes(inlineAt(*scene, 2)), std::vector<int32_t>{NodeType::Group});
}

TEST_F(FullInline, TexturesAreNamedFromTheFolderOfTheirOwnFile) {
    const std::string shape = "Shape { appearance Appearance { texture ImageTexture { url \"wood.gif\" } } }\n";
    put("a/b/two.wrl", shape + "Shape { appearance Appearance { texture ImageTexture { url \"/abs/x.gif\" } } }\n");
    put("a/one.wrl", shape + "Inline { url \"b/two.wrl\" }\n");
    const std::string main = put("main.wrl", shape + "Inline { url \"a/one.wrl\" }\n");
    const std::unique_ptr<Scene> scene = load(main);
    ASSERT_NE(scene, nullptr);
    FakeImageDriver images;
    Rasterizer rasterizer;
    rasterizer.driver = &images;
    scene->attachRasterizer(&rasterizer);
    scene->initNodes();
    std::vector<std::string> names;
    for (const FakeImageDriver::Request& request : images.requests) names.push_back(narrowText(request.name));
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected = {scratch.file("wood.gif"), scratch.file("a/wood.gif"),
                                         scratch.file("a/b/wood.gif"), "/abs/x.gif"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}

TEST_F(FullInline, CyclesAndMissingFilesAreRefusedWithOneLineEach) {
    struct Case {
        std::string name;
        std::vector<std::pair<std::string, std::string>> files;  // the first is the world
        std::vector<std::string> messages;                       // with "@" for the folder
    };
    const Case cases[] = {
        {"itself", {{"self.wrl", "Group { } Inline { url \"self.wrl\" }"}},
         {"Inline refused, it includes itself: @/self.wrl"}},
        {"itself, spelt otherwise", {{"sub/self.wrl", "Inline { url \"../sub/./self.wrl\" }"}},
         {"Inline refused, it includes itself: @/sub/self.wrl"}},
        {"two files", {{"a.wrl", "Inline { url \"b.wrl\" }"}, {"b.wrl", "Group { } Inline { url \"a.wrl\" }"}},
         {"Inline refused, it includes itself: @/a.wrl"}},
        {"three files, back to the second",
         {{"w.wrl", "Inline { url \"x.wrl\" }"}, {"x.wrl", "Inline { url \"y.wrl\" }"},
          {"y.wrl", "Inline { url \"x.wrl\" } Inline { url \"w.wrl\" }"}},
         {"Inline refused, it includes itself: @/x.wrl", "Inline refused, it includes itself: @/w.wrl"}},
        {"missing", {{"m.wrl", "Group { } Inline { url [ \"gone.wrl\" \"nowhere/gone.wrl\" ] }"}},
         {"inline: @/gone.wrl NOT FOUND", "inline: @/nowhere/gone.wrl NOT FOUND"}},
        // Only regular files are read: a device or a folder is not found.
        {"not a file", {{"d.wrl", "Group { } Inline { url [ \"/dev/zero\" \"sub\" ] }"}},
         {"inline: /dev/zero NOT FOUND", "inline: @/sub NOT FOUND"}},
        // A file that opens but holds no node leaves the Inline empty, quietly.
        {"empty file", {{"e.wrl", "Group { } Inline { url \"blank.wrl\" }"}, {"blank.wrl", "# nothing\n"}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& [name, body] : c.files) put(name, body);
        messages.clear();
        openTestLog();
        const std::unique_ptr<Scene> scene = load(scratch.file(c.files[0].first));
        ASSERT_NE(scene, nullptr);
        std::vector<std::string> expected;
        for (std::string line : c.messages) {
            const std::size_t folder = line.find('@');
            expected.push_back(folder == std::string::npos ? line : line.replace(folder, 1, scratch.path()));
        }
        EXPECT_EQ(messages, expected);
        // Each line is in the log too, once.
        const std::string log = logFileText();
        for (const std::string& line : expected) {
            const std::size_t at = log.find(line + "\n");
            ASSERT_NE(at, std::string::npos) << log;
            EXPECT_EQ(log.find(line + "\n", at + 1), std::string::npos) << log;
        }
    }
}

TEST_F(FullInline, DepthAndFileCountAreBounded) {
    // A chain of distinct files, each inlining the next.
    const int32_t chain = kMaxInlineDepth + 4;
    for (int32_t i = 0; i < chain; ++i)
        put(chainFile(i), "Inline { url \"" + chainFile(i + 1) + "\" }\n");
    std::unique_ptr<Scene> scene = load(scratch.file(chainFile(0)));
    ASSERT_NE(scene, nullptr);
    int32_t depth = 0;
    for (const X3DNode* level = inlineAt(*scene, 0); level && childrenOf(level).count == 1;
         level = childrenOf(level)[0])
        ++depth;
    EXPECT_EQ(depth, kMaxInlineDepth);
    const std::string refused = chainFile(kMaxInlineDepth + 1);
    EXPECT_EQ(messages, std::vector<std::string>{"Inline refused, nested more than 16 files deep: " +
                                                 scratch.file(refused)});
    scene.reset();

    // One file naming a small one more times than a world may inline.
    messages.clear();
    put("small.wrl", "Group { }\n");
    std::string many;
    for (int32_t i = 0; i < kMaxInlineFiles + 10; ++i) many += "Inline { url \"small.wrl\" }\n";
    scene = load(put("many.wrl", many));
    ASSERT_NE(scene, nullptr);
    int32_t filled = 0;
    for (const X3DNode* node : childrenOf(scene->root)) filled += childrenOf(node).count;
    EXPECT_EQ(filled, kMaxInlineFiles);
    EXPECT_EQ(messages, std::vector<std::string>{"Inline refused, the world inlines more than 256 files: " +
                                                 scratch.file("small.wrl")});
}

TEST_F(FullInline, TheCoreProfileReadsNoInline) {
    put("part.wrl", "Group { }\n");
    const std::unique_ptr<Scene> scene = load(put("main.wrl", "Group { } Inline { url \"part.wrl\" }\n"), Profile::Core);
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->profile, Profile::Core);
    EXPECT_EQ(childTypes(scene->root), std::vector<int32_t>{NodeType::Group});
    EXPECT_EQ(parser->refusedTypes(), std::vector<int32_t>{NodeType::Inline});
    EXPECT_EQ(messages, std::vector<std::string>{"Unrecognized node type 'Inline' at line: 2"});
}

// The viewer's picture of a world (full profile, a fixed Viewpoint).
class InlinePicture : public ::testing::Test {
protected:
    void TearDown() override { releaseNodeRegistry(); }
    std::vector<uint16_t> draw(const std::string& path) {
        DriverHeadless driver(120, 90, 40);
        std::vector<uint16_t> pixels;
        {
            RenderSample sample(&driver, widenText(path), u"/nonexistent-orvella-install/", 120, 90);
            sample.profile = Profile::Full;
            sample.showOverlay = false;
            sample.init();
            EXPECT_TRUE(sample.lighting);
            for (int frame = 0; frame < 2; ++frame) {
                driver.frameStarting();
                sample.frame();
                driver.frameFinished();
            }
            const Bitmap& buffer = *sample.frameBuffer;
            pixels.assign(buffer.pixels, buffer.pixels + buffer.width * buffer.height);
        }
        releaseNodeRegistry();
        return pixels;
    }
    std::string put(const std::string& name, const std::string& body) {
        const std::string path = folder.file(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << kHeader << body;
        return path;
    }
    TempDir folder;
};

TEST_F(InlinePicture, AnInlinedWorldDrawsAsItsNodesInPlace) {
    const std::string square =
        "Transform { translation 0.5 0 0 children Shape {\n"
        "  appearance Appearance { material Material { diffuseColor 0 0 0 emissiveColor 1 0 0 } }\n"
        "  geometry IndexedFaceSet { coord Coordinate { point [ -1 -1 0, 1 -1 0, 1 1 0, -1 1 0 ] }\n"
        "    coordIndex [ 0 1 2 3 -1 ] } } }\n";
    const std::string frame = "Viewpoint { position 0 0 6 fieldOfView 0.785398 }\nBackground { skyColor 0 0 1 }\n";
    put("models/square.wrl", square + "Viewpoint { position 0 0 1 }\n");
    const std::vector<uint16_t> inPlace = draw(put("in_place.wrl", frame + square));
    const std::vector<uint16_t> inlined = draw(put("inlined.wrl", frame + "Inline { url \"models/square.wrl\" }\n"));
    // A cycle and a missing file add nothing to the picture.
    put("models/self.wrl", square + "Inline { url \"self.wrl\" } Inline { url \"../none.wrl\" }\n");
    const std::vector<uint16_t> refused = draw(put("refused.wrl", frame + "Inline { url \"models/self.wrl\" }\n"));
    ASSERT_EQ(inPlace.size(), 120u * 90u);
    const uint16_t red = packRgb565(1, 0, 0);
    const uint16_t blue = packRgb565(0, 0, 1);
    // The square stands right of the centre: red there, sky at the left edge.
    EXPECT_EQ(inPlace[45 * 120 + 75], red);
    EXPECT_EQ(inPlace[45 * 120 + 2], blue);
    EXPECT_TRUE(inlined == inPlace);
    EXPECT_TRUE(refused == inPlace);
}

}  // namespace
