// The full profile's grouping and texture nodes as the factory makes them:
// exactly their fields, under the one name table's codes, with their
// defaults; and as the reader fills them from text (Switch choices and LOD
// levels are the nodes' children, each with its parent set).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "events/full_node_factory.h"
#include "events/node_factory.h"
#include "scene/field_codes.h"
#include "scene/full_grouping_nodes.h"
#include "scene/full_texture_nodes.h"
#include "scene/node_registry.h"
#include "scene/node_types.h"
#include "support/memory_stream.h"
#include "app/open_stream.h"
#include "vrml/parser.h"

namespace {

class FullGroupingNodesTest : public ::testing::Test {
protected:
    void SetUp() override { releaseNodeRegistry(); }
    void TearDown() override {
        parser.reset();
        releaseNodeRegistry();
    }
    X3DNode* parse(const std::string& text) {
        parser = std::make_unique<VrmlParser>(createNodeFull, openStream);
        MemoryStream stream("#VRML V2.0 utf8\n" + text);
        return parser->parseStream(&stream);
    }
    std::unique_ptr<VrmlParser> parser;
};

std::vector<int32_t> codesOf(const X3DNode& node) {
    std::vector<int32_t> codes;
    for (const auto& [code, field] : node.fields) codes.push_back(code);
    return codes;
}

TEST_F(FullGroupingNodesTest, FactoryMakesEachNodeWithExactlyItsFields) {
    using namespace FieldCode;
    struct Case {
        int32_t type;
        int32_t category;
        std::vector<int32_t> fields;  // ascending codes
    };
    const Case cases[] = {
        {NodeType::Switch, NodeCategory::Grouping, {children, choice, whichChoice}},
        {NodeType::LOD, NodeCategory::Grouping, {children, center, level, range}},
        {NodeType::Collision, NodeCategory::Grouping, {children, bboxCenter, bboxSize, collide, proxy, collideTime}},
        {NodeType::Billboard, NodeCategory::Grouping, {children, bboxCenter, bboxSize, axisOfRotation}},
        {NodeType::Appearance, NodeCategory::Other, {material, texture, textureTransform}},
        {NodeType::ImageTexture, NodeCategory::Other, {url, repeatS, repeatT}},
        {NodeType::PixelTexture, NodeCategory::Other, {image, repeatS, repeatT}},
        {NodeType::TextureTransform, NodeCategory::Other, {center, rotation, scale, translation}},
    };
    for (const Case& c : cases) {
        X3DNode* node = createNodeFull(u"N", c.type);
        ASSERT_NE(node, nullptr) << c.type;
        EXPECT_EQ(node->nodeType, c.type);
        EXPECT_EQ(node->category, c.category) << c.type;
        EXPECT_EQ(node->name, u"N");
        EXPECT_EQ(codesOf(*node), c.fields) << c.type;
        // Each field is registered under the code it carries; a Switch's or
        // LOD's list is also found under X3D's name "children".
        for (const auto& [code, field] : node->fields)
            EXPECT_TRUE(field->nameCode == code || code == children) << c.type << " " << code;
        EXPECT_TRUE(fullProfileOnly(c.type) || c.type == NodeType::Appearance || c.type == NodeType::ImageTexture);
        // The core factory makes none of the new types.
        if (fullProfileOnly(c.type)) {
            EXPECT_EQ(createNode(u"", c.type), nullptr) << c.type;
        }
    }
}

TEST_F(FullGroupingNodesTest, DefaultsAreTheFileFormatOnes) {
    auto* sw = static_cast<nSwitch*>(createNodeFull(u"", NodeType::Switch));
    EXPECT_EQ(sw->whichChoice.value, -1);
    EXPECT_EQ(sw->findField(u"choice"), &sw->children);
    EXPECT_EQ(sw->findField(u"children"), &sw->children);
    EXPECT_EQ(sw->findField(u"set_whichChoice"), &sw->whichChoice);
    EXPECT_EQ(sw->bboxSize.value.x, -1.0f);  // never culled

    auto* lod = static_cast<nLOD*>(createNodeFull(u"", NodeType::LOD));
    EXPECT_EQ(lod->findField(u"level"), &lod->children);
    EXPECT_EQ(lod->center.value.x, 0.0f);
    EXPECT_EQ(lod->center.value.z, 0.0f);
    EXPECT_EQ(lod->range.value.count, 0);

    auto* collision = static_cast<nCollision*>(createNodeFull(u"", NodeType::Collision));
    EXPECT_TRUE(collision->collide.value);
    EXPECT_EQ(collision->proxy.value, nullptr);
    EXPECT_EQ(collision->collideTime.value, -1.0);
    EXPECT_EQ(collision->findField(u"collideTime_changed"), &collision->collideTime);

    auto* billboard = static_cast<nBillboard*>(createNodeFull(u"", NodeType::Billboard));
    EXPECT_EQ(billboard->axisOfRotation.value.x, 0.0f);
    EXPECT_EQ(billboard->axisOfRotation.value.y, 1.0f);
    EXPECT_EQ(billboard->axisOfRotation.value.z, 0.0f);

    auto* pixels = static_cast<nPixelTexture*>(createNodeFull(u"", NodeType::PixelTexture));
    EXPECT_EQ(pixels->image.value.width, 0);
    EXPECT_EQ(pixels->image.value.height, 0);
    EXPECT_EQ(pixels->image.value.components, 0);
    EXPECT_TRUE(pixels->repeatS.value);
    EXPECT_TRUE(pixels->repeatT.value);
    EXPECT_EQ(pixels->textureEntry, nullptr);

    auto* image = dynamic_cast<nImageTextureFull*>(createNodeFull(u"", NodeType::ImageTexture));
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->repeatS.value);
    EXPECT_TRUE(image->repeatT.value);

    auto* transform = static_cast<nTextureTransform*>(createNodeFull(u"", NodeType::TextureTransform));
    EXPECT_EQ(transform->center.value.x, 0.0f);
    EXPECT_EQ(transform->rotation.value, 0.0f);
    EXPECT_EQ(transform->scale.value.x, 1.0f);
    EXPECT_EQ(transform->scale.value.y, 1.0f);
    EXPECT_EQ(transform->translation.value.y, 0.0f);

    auto* appearance = dynamic_cast<nAppearanceFull*>(createNodeFull(u"", NodeType::Appearance));
    ASSERT_NE(appearance, nullptr);
    EXPECT_EQ(appearance->textureTransform.value, nullptr);
}

TEST_F(FullGroupingNodesTest, ReaderFillsTheNodes) {
    X3DNode* root = parse(
        "DEF S Switch { whichChoice 1 choice [ Group { } DEF T Transform { } ] }\n"
        "DEF L LOD { center 1 2 3 range [ 10 20.5 ] level [ Group { } Group { } Group { } ] }\n"
        // X3D's spelling, as files converted from X3D write it.
        "DEF S2 Switch { whichChoice 0 children [ Group { } Group { } Group { } ] }\n"
        "DEF C Collision { collide FALSE proxy DEF P Shape { } children [ Group { } ] bboxSize 4 4 4 }\n"
        "DEF B Billboard { axisOfRotation 0 0 0 children [ Group { } ] }\n"
        "Shape { appearance DEF A Appearance { texture DEF X PixelTexture { image 2 1 3 255 65280 repeatS FALSE } "
        "textureTransform DEF M TextureTransform { center 0.5 0.5 rotation 1 scale 2 3 translation -1 4 } } }\n");
    ASSERT_NE(root, nullptr);
    auto find = [](const std::u16string& name) -> X3DNode* {
        for (X3DNode* node : nodeRegistry)
            if (node && node->name == name) return node;
        return nullptr;
    };
    auto* sw = static_cast<nSwitch*>(find(u"S"));
    ASSERT_NE(sw, nullptr);
    EXPECT_EQ(sw->whichChoice.value, 1);
    ASSERT_EQ(sw->children.value.count, 2);
    EXPECT_EQ(sw->children.value[1], find(u"T"));
    EXPECT_EQ(find(u"T")->parent, sw);
    auto* sw2 = static_cast<nSwitch*>(find(u"S2"));
    ASSERT_NE(sw2, nullptr);
    EXPECT_EQ(sw2->children.value.count, 3);

    auto* lod = static_cast<nLOD*>(find(u"L"));
    ASSERT_NE(lod, nullptr);
    EXPECT_EQ(lod->center.value.y, 2.0f);
    ASSERT_EQ(lod->range.value.count, 2);
    EXPECT_EQ(lod->range.value[1], 20.5f);
    EXPECT_EQ(lod->children.value.count, 3);

    auto* collision = static_cast<nCollision*>(find(u"C"));
    ASSERT_NE(collision, nullptr);
    EXPECT_FALSE(collision->collide.value);
    EXPECT_EQ(collision->proxy.value, find(u"P"));
    EXPECT_EQ(collision->children.value.count, 1);
    EXPECT_EQ(collision->bboxSize.value.x, 4.0f);

    auto* billboard = static_cast<nBillboard*>(find(u"B"));
    ASSERT_NE(billboard, nullptr);
    EXPECT_EQ(billboard->axisOfRotation.value.y, 0.0f);

    auto* appearance = static_cast<nAppearanceFull*>(find(u"A"));
    ASSERT_NE(appearance, nullptr);
    EXPECT_EQ(appearance->textureTransform.value, find(u"M"));
    auto* pixels = static_cast<nPixelTexture*>(find(u"X"));
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(pixels->image.value.width, 2);
    ASSERT_EQ(pixels->image.value.pixels.count, 2);
    EXPECT_EQ(pixels->image.value.pixels[1], 65280u);
    EXPECT_FALSE(pixels->repeatS.value);
    EXPECT_TRUE(pixels->repeatT.value);
    auto* transform = static_cast<nTextureTransform*>(find(u"M"));
    EXPECT_EQ(transform->center.value.x, 0.5f);
    EXPECT_EQ(transform->rotation.value, 1.0f);
    EXPECT_EQ(transform->scale.value.y, 3.0f);
    EXPECT_EQ(transform->translation.value.x, -1.0f);
}

}  // namespace
