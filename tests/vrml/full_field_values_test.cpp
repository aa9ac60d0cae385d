// The value classes that only the full profile's nodes use: SFInt32, SFVec2f
// and SFImage, read into a test node made by a factory of the test's own.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/open_stream.h"
#include "scene/abstract_nodes.h"
#include "scene/factory.h"
#include "scene/node_registry.h"
#include "scene/node_types.h"
#include "support/memory_stream.h"
#include "vrml/parser.h"
#include "vrml/reader_test_support.h"

namespace {

// Stands under the type name "PixelTexture" with one field of each class
// (whatever the real node of that name holds).
class ValueNode : public X3DNode {
public:
    fSFImage image{this, FieldCode::image};
    fSFInt32 whichChoice{this, FieldCode::whichChoice, -1};
    fSFVec2f scale{this, FieldCode::scale, Vec2f{1.0f, 1.0f}};
    fSFBool repeatS{this, FieldCode::repeatS, true};

    ValueNode() : X3DNode(NodeCategory::Other) {}
};

X3DNode* makeValueNodes(std::u16string_view name, int32_t code) {
    if (code == NodeType::PixelTexture) return registerNewNode(std::make_unique<ValueNode>(), name, code);
    if (code == NodeType::Group) return registerNewNode(std::make_unique<nGroup>(), name, code);
    return nullptr;
}

class FullFieldValues : public ReaderTest {
protected:
    // The value node read from the body text, or null.
    ValueNode* readBody(const std::string& body) {
        parser = std::make_unique<VrmlParser>(makeValueNodes, openStream);
        MemoryStream stream("#VRML V2.0 utf8\nPixelTexture { " + body + " }\nPixelTexture { repeatS FALSE }\n");
        X3DNode* root = parser->parseStream(&stream);
        if (!root || childrenOf(root).count != 2) return nullptr;
        // The second node proves that the first one's body ended where it should.
        const auto* second = static_cast<ValueNode*>(childrenOf(root)[1]);
        if (second->repeatS.value) return nullptr;
        return static_cast<ValueNode*>(childrenOf(root)[0]);
    }
};

TEST_F(FullFieldValues, ImagesIntegersAndPairs) {
    struct Case {
        std::string body;
        int32_t width, height, components;
        std::vector<uint32_t> pixels;
    };
    const Case cases[] = {
        {"image 2 1 3 16711680 255", 2, 1, 3, {16711680u, 255u}},
        {"image 1 1 1 200", 1, 1, 1, {200u}},
        {"image 0 0 0", 0, 0, 0, {}},
        // Fewer pixels than the header claims: the header is kept, no pixels,
        // and the closing brace still ends the node.
        {"image 40000 40000 3 1 2 3", 40000, 40000, 3, {}},
        // A header that is not whole reads as no image at all.
        {"image 2 2", 0, 0, 0, {}},
        // Components out of range read no pixels; the numbers that follow are
        // passed over like those after an unknown field.
        {"image 1 1 5 7", 1, 1, 5, {}},
        {"image -1 2 3", -1, 2, 3, {}},
        // Pixel values saturate into 32 bits.
        {"image 2 1 4 -5 1e12", 2, 1, 4, {0u, 0xFFFFFFFFu}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        ValueNode* node = readBody(c.body);
        ASSERT_NE(node, nullptr);
        const PixelImage& image = node->image.value;
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        EXPECT_EQ(image.components, c.components);
        ASSERT_EQ(image.pixels.count, static_cast<int32_t>(c.pixels.size()));
        for (int32_t i = 0; i < image.pixels.count; ++i) EXPECT_EQ(image.pixels[i], c.pixels[i]);
        releaseNodeRegistry();
    }

    ValueNode* node = readBody("whichChoice 3 scale 0.5 -2");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->whichChoice.value, 3);
    EXPECT_EQ(node->scale.value.x, 0.5f);
    EXPECT_EQ(node->scale.value.y, -2.0f);
    releaseNodeRegistry();

    node = readBody("whichChoice 1e20");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->whichChoice.value, 2147483647);  // saturated
    releaseNodeRegistry();

    // An image read twice keeps only the second.
    node = readBody("image 1 1 3 5 image 2 1 1 6 7");
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(node->image.value.pixels.count, 2);
    EXPECT_EQ(node->image.value.pixels[0], 6u);
}

TEST_F(FullFieldValues, NewFieldClassesDeliverAlongRoutes) {
    ValueNode from, to;
    ASSERT_TRUE(addRoute(&from, u"whichChoice", &to, u"set_whichChoice"));
    ASSERT_TRUE(addRoute(&from, u"scale_changed", &to, u"scale"));
    from.whichChoice.setValue(4);
    from.scale.setValue(Vec2f{2.0f, 3.0f});
    EXPECT_EQ(to.whichChoice.value, 4);
    EXPECT_EQ(to.scale.value.x, 2.0f);
    EXPECT_EQ(to.scale.value.y, 3.0f);
    // A route between classes of different types carries nothing.
    ASSERT_TRUE(addRoute(&from, u"whichChoice", &to, u"repeatS"));
    from.whichChoice.setValue(9);
    EXPECT_TRUE(to.repeatS.value);
}

}  // namespace
