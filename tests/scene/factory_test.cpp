// The factory (which codes and names make nodes, naming, registration, running
// out of memory) and the release of the node registry.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>

#include "events/node_factory.h"
#include "scene/grouping_nodes.h"
#include "scene/name_tables.h"
#include "scene/node_registry.h"
#include "scene_test_support.h"

namespace {

class Factory : public ::testing::Test {
protected:
    void TearDown() override { releaseNodeRegistry(); }
};

const std::set<int32_t> kCodesWithoutClass = {0, 4, 6, 11, 12, 17, 21, 22, 24, 31, 32, 33, 34, 35, 36};

TEST_F(Factory, CodesWithAndWithoutClass) {
    int32_t made = 0;
    for (int32_t code = 0; code < kNodeNameCount; ++code) {
        SCOPED_TRACE(code);
        X3DNode* node = createNode(u"n", code);
        if (kCodesWithoutClass.count(code)) {
            EXPECT_EQ(node, nullptr);
        } else {
            ASSERT_NE(node, nullptr);
            EXPECT_EQ(node->nodeType, code);
            ++made;
        }
        EXPECT_EQ(nodeRegistry.count, made);
    }
    EXPECT_EQ(made, 22);
    for (int32_t code : {-1, 37, 38, 1000, INT32_MIN, INT32_MAX}) EXPECT_EQ(createNode(u"n", code), nullptr);
    EXPECT_EQ(nodeRegistry.count, 22);
}

TEST_F(Factory, TypeNamesAreExactAndCaseSensitive) {
    for (int32_t code = 0; code < kNodeNameCount; ++code) {
        X3DNode* node = createNodeByTypeName(u"", kNodeNames[code]);
        EXPECT_EQ(node == nullptr, kCodesWithoutClass.count(code) == 1) << code;
        if (node) {
            EXPECT_EQ(node->nodeType, code);
        }
    }
    EXPECT_EQ(nodeRegistry.count, 22);
    for (std::u16string_view name :
         {u"Switch", u"LOD", u"Inline", u"Billboard", u"WorldInfo", u"Text", u"FontStyle", u"Sound",
          u"transform", u"TRANSFORM", u"Transform ", u" Transform", u"Trans", u"TransformX", u"",
          u"SCENEGRAPH", u"Scene", u"shape", u"indexedFaceSet"}) {
        EXPECT_EQ(createNodeByTypeName(u"x", name), nullptr) << std::string(name.begin(), name.end());
    }
    EXPECT_EQ(createNodeByTypeName(u"x", std::u16string_view(u"Shape\0", 6)), nullptr);
    EXPECT_EQ(nodeRegistry.count, 22);
}

TEST_F(Factory, RegistryKeepsCreationOrderAndDefNames) {
    X3DNode* top = createNodeByTypeName(u"Top", u"Transform");
    X3DNode* unnamed = createNodeByTypeName(u"", u"Shape");
    X3DNode* view = createNode(u"default", NodeType::Viewpoint);
    X3DNode* twin = createNodeByTypeName(u"Top", u"Transform");  // DEF names are not checked here
    ASSERT_EQ(nodeRegistry.count, 4);
    EXPECT_EQ(nodeRegistry[0], top);
    EXPECT_EQ(nodeRegistry[1], unnamed);
    EXPECT_EQ(nodeRegistry[2], view);
    EXPECT_EQ(nodeRegistry[3], twin);
    EXPECT_EQ(top->name, u"Top");
    EXPECT_EQ(unnamed->name, u"");
    EXPECT_EQ(view->name, u"default");
    EXPECT_NE(top, twin);

    const std::u16string wideName = std::u16string(u"caf\u00e9-") + char16_t(0xD800) + u"\u4e16";
    X3DNode* odd = createNode(wideName, NodeType::Group);
    EXPECT_EQ(odd->name, wideName);  // 16-bit text kept as it stands

    // A Group has the grouping fields and nothing else.
    auto* group = dynamic_cast<nGroup*>(odd);
    ASSERT_NE(group, nullptr);
    std::vector<int32_t> codes;
    for (const auto& entry : group->fields) codes.push_back(entry.first);
    EXPECT_EQ(codes, (std::vector<int32_t>{1, 5, 6}));
    EXPECT_EQ(group->findField(u"translation"), nullptr);
}

TEST_F(Factory, NoMemoryMeansNoNode) {
    // Nodes whose defaults need array storage cannot be completed.
    {
        AllocatorLimit noMemory(0);
        EXPECT_EQ(createNode(u"bg", NodeType::Background), nullptr);
        EXPECT_EQ(createNode(u"nav", NodeType::NavigationInfo), nullptr);
    }
    EXPECT_EQ(nodeRegistry.count, 0);

    // A full registry that cannot grow: the finished node is dropped again.
    while (nodeRegistry.count == 0 || nodeRegistry.count < nodeRegistry.capacity) {
        ASSERT_NE(createNode(u"", NodeType::Group), nullptr);
    }
    const int32_t before = nodeRegistry.count;
    X3DNode* last = nodeRegistry[before - 1];
    {
        AllocatorLimit noMemory(0);
        EXPECT_EQ(createNode(u"lost", NodeType::Transform), nullptr);
        EXPECT_EQ(createNodeByTypeName(u"lost", u"Shape"), nullptr);
    }
    EXPECT_EQ(nodeRegistry.count, before);
    EXPECT_EQ(nodeRegistry[before - 1], last);
    EXPECT_NE(createNode(u"later", NodeType::Transform), nullptr);
    EXPECT_EQ(nodeRegistry.count, before + 1);
}

// A node that counts its destruction, to see that the registry destroys each
// node once and through its own class.
class CountedNode : public X3DNode {
public:
    explicit CountedNode(int* destroyed) : X3DNode(NodeCategory::Other), destroyed(destroyed) {}
    ~CountedNode() override { ++*destroyed; }
    int* destroyed;  // not owned
};

TEST_F(Factory, ReleaseDestroysEveryNodeOnceAndEmptiesTheRegistry) {
    releaseNodeRegistry();  // on an empty registry: nothing happens
    EXPECT_EQ(nodeRegistry.count, 0);

    int destroyed = 0;
    for (int i = 0; i < 1000; ++i) {
        ASSERT_NE(createNode(u"n", i % 2 ? NodeType::IndexedFaceSet : NodeType::NavigationInfo), nullptr);
    }
    ASSERT_TRUE(nodeRegistry.append(new CountedNode(&destroyed)));
    ASSERT_TRUE(nodeRegistry.append(new CountedNode(&destroyed)));
    // Routes and node references between registered nodes do not matter.
    X3DNode* a = createNode(u"a", NodeType::TimeSensor);
    X3DNode* b = createNode(u"b", NodeType::ScalarInterpolator);
    X3DNode* g = createNode(u"g", NodeType::Group);
    ASSERT_TRUE(addRoute(a, u"fraction_changed", b, u"set_fraction"));
    static_cast<nGroup*>(g)->children.value.append(a);
    static_cast<nGroup*>(g)->children.value.append(g);

    releaseNodeRegistry();
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(nodeRegistry.count, 0);
    EXPECT_EQ(nodeRegistry.items, nullptr);
    releaseNodeRegistry();
    EXPECT_EQ(destroyed, 2);

    // The registry is usable afterwards.
    X3DNode* again = createNode(u"again", NodeType::Shape);
    ASSERT_EQ(nodeRegistry.count, 1);
    EXPECT_EQ(nodeRegistry[0], again);
}

}  // namespace
