// The statement layer of the reader: worlds that yield nothing, DEF and USE,
// the skipping of unsupported types, unknown fields, ROUTE, declarations, and
// the exact messages with their line numbers in the log file and the store.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "events/node_factory.h"
#include "app/open_stream.h"
#include "scene/bindable_nodes.h"
#include "scene/interpolator_nodes.h"
#include "scene/node_types.h"
#include "scene/sensor_nodes.h"
#include "scene/shape_nodes.h"
#include "base/log.h"
#include "vrml/reader_test_support.h"

namespace {

using Parser = ReaderTest;

TEST_F(Parser, WorldsWithoutNodesGiveNull) {
    const char* worlds[] = {
        "",
        "#VRML V2.0 utf8\n# nothing but comments\n// and more\n",
        "Sphere { radius 1 } Box { size 1 2 3 } WorldInfo { title \"x\" }",
        "NULL NULL",
        "USE Nothing",
        "{ } 1 2 3 \"text\" [",
        "] Group { }",
    };
    for (const char* world : worlds) {
        SCOPED_TRACE(world);
        releaseNodeRegistry();
        EXPECT_EQ(parse(world), nullptr);
        // The root stays in the registry, with nothing else.
        ASSERT_EQ(nodeRegistry.count, 1);
        EXPECT_EQ(nodeRegistry[0]->name, u"SCENEGRAPH");
        EXPECT_EQ(nodeRegistry[0]->nodeType, NodeType::Group);
    }
}

TEST_F(Parser, DefAndUseOfATransformAtTheTopLevel) {
    X3DNode* root = parse("DEF T Transform { translation 1 2 3 }\nUSE T\nNULL\nUSE T");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->name, u"SCENEGRAPH");
    ASSERT_EQ(childrenOf(root).count, 3);
    X3DNode* t = childrenOf(root)[0];
    EXPECT_EQ(childrenOf(root)[1], t);
    EXPECT_EQ(childrenOf(root)[2], t);
    EXPECT_EQ(t->name, u"T");
    EXPECT_EQ(t->parent, root);
    EXPECT_EQ(static_cast<nTransform*>(t)->translation.value.y, 2.0f);
    EXPECT_EQ(nodeRegistry.count, 2);
    EXPECT_EQ(parser->messageCount(), 0);
}

TEST_F(Parser, EachUseOfAShapeIsANewShapeSharingAppearanceAndGeometry) {
    X3DNode* root = parse(
        "DEF S Shape { appearance Appearance { } geometry IndexedFaceSet { } }\n"
        "USE S\n"
        "DEF G Transform { children USE S }\n");
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(childrenOf(root).count, 3);
    auto* original = static_cast<nShape*>(childrenOf(root)[0]);
    auto* first = static_cast<nShape*>(childrenOf(root)[1]);
    X3DNode* group = childrenOf(root)[2];
    ASSERT_EQ(childrenOf(group).count, 1);
    auto* second = static_cast<nShape*>(childrenOf(group)[0]);

    EXPECT_NE(original, first);
    EXPECT_NE(original, second);
    EXPECT_NE(first, second);
    for (nShape* shape : {first, second}) {
        EXPECT_EQ(shape->nodeType, NodeType::Shape);
        EXPECT_EQ(shape->name, u"");
        ASSERT_NE(original->appearance.value, nullptr);
        EXPECT_EQ(shape->appearance.value, original->appearance.value);
        EXPECT_EQ(shape->geometry.value, original->geometry.value);
    }
    EXPECT_EQ(original->appearance.value->nodeType, NodeType::Appearance);
    EXPECT_EQ(original->geometry.value->nodeType, NodeType::IndexedFaceSet);
    EXPECT_EQ(first->parent, root);
    EXPECT_EQ(second->parent, group);

    // One route per field and copy, in the order of the USEs.
    ASSERT_EQ(original->appearance.routes.count, 2);
    EXPECT_EQ(original->appearance.routes[0], &first->appearance);
    EXPECT_EQ(original->appearance.routes[1], &second->appearance);
    ASSERT_EQ(original->geometry.routes.count, 2);
    EXPECT_EQ(original->geometry.routes[0], &first->geometry);
    EXPECT_EQ(original->geometry.routes[1], &second->geometry);
    EXPECT_EQ(parser->routeCount(), 4);

    // Each copy is registered where its USE stands.
    const std::vector<X3DNode*> order = {root, original, original->appearance.value, original->geometry.value,
                                         first, group, second};
    ASSERT_EQ(nodeRegistry.count, static_cast<int32_t>(order.size()));
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(nodeRegistry[static_cast<int32_t>(i)], order[i]) << i;
}

TEST_F(Parser, UseBeforeDefYieldsNothingAndLaterDefReplaces) {
    openTestLog();
    X3DNode* root = parse(
        "Group { children USE Later }\n"
        "DEF Later Transform { }\n"
        "DEF A Group { } DEF A Transform { translation 0 7 0 }\n"
        "Group { children USE A }\n");
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(childTypes(root), (std::vector<int32_t>{NodeType::Group, NodeType::Transform, NodeType::Group,
                                                      NodeType::Transform, NodeType::Group}));
    EXPECT_EQ(childrenOf(childrenOf(root)[0]).count, 0);
    ASSERT_EQ(childrenOf(childrenOf(root)[4]).count, 1);
    EXPECT_EQ(childrenOf(childrenOf(root)[4])[0], childrenOf(root)[3]);
    // A USE that finds nothing is silent.
    EXPECT_EQ(parser->messageCount(), 0);
    EXPECT_TRUE(driver.messages.empty());
}

TEST_F(Parser, SwitchIsSkippedWholeWithOneMessage) {
    X3DNode* root = parse(
        "Switch { whichChoice 0 choice [ Shape { geometry IndexedFaceSet { } } ] }\n"
        "Transform { }\n");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(childTypes(root), std::vector<int32_t>{NodeType::Transform});
    EXPECT_EQ(nodeRegistry.count, 2);  // no Shape was made
    EXPECT_EQ(parser->messageCount(), 1);
}

TEST_F(Parser, UnknownFieldIsReportedAndItsValuePassedOver) {
    openTestLog();
    X3DNode* root = parse(
        "Transform {\n"
        "  offset 1 2 3\n"
        "  translation 4 5 6\n"
        "  Translation 7 8 9\n"
        "}\n");
    ASSERT_NE(root, nullptr);
    auto* t = static_cast<nTransform*>(childrenOf(root)[0]);
    EXPECT_EQ(t->translation.value.x, 4.0f);
    EXPECT_EQ(t->translation.value.y, 5.0f);
    EXPECT_EQ(t->translation.value.z, 6.0f);
    EXPECT_EQ(parser->messageCount(), 2);
    EXPECT_EQ(logFileText(),
              "ORVELLA log: version: 1, build: 1"
              "Unrecognized field type 'offset' at line: 2\n"
              "Unrecognized field type 'Translation' at line: 4\n");
    // Log file only: nothing in the driver's message store.
    EXPECT_TRUE(driver.messages.empty());
}

TEST_F(Parser, WordsAfterAnUnknownFieldAreFieldNamesAndBracesCount) {
    // The value of "bboxSize2" is not skipped: "translation" is read as a
    // field, and the braces of the unknown value count in the body's depth.
    X3DNode* root = parse(
        "Transform { bboxSize2 \"s\" translation 1 1 1 extra { center 2 2 2 } scale 3 3 3 }\n"
        "Group { }\n");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(childTypes(root), (std::vector<int32_t>{NodeType::Transform, NodeType::Group}));
    auto* t = static_cast<nTransform*>(childrenOf(root)[0]);
    EXPECT_EQ(t->translation.value.x, 1.0f);
    EXPECT_EQ(t->center.value.x, 2.0f);
    EXPECT_EQ(t->scale.value.x, 3.0f);
    EXPECT_EQ(parser->messageCount(), 2);
}

TEST_F(Parser, StrayClosingBracketAtTheTopLevelEndsTheFile) {
    X3DNode* root = parse("Group { }\nTransform { }\n]\nGroup { } Transform { }\n");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(childTypes(root), (std::vector<int32_t>{NodeType::Group, NodeType::Transform}));
    EXPECT_EQ(nodeRegistry.count, 3);
}

TEST_F(Parser, SkipOfABodilessTypeRunsPastTheClosingBracket) {
    // "Foo" has no body: its skip meets the "]" of the children list and runs
    // on until opening brackets balance the count, swallowing the Shape.
    X3DNode* root = parse("Transform { children [ Foo ] }\nShape { }\n");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(childTypes(root), std::vector<int32_t>{NodeType::Transform});
    EXPECT_EQ(childrenOf(childrenOf(root)[0]).count, 0);
    EXPECT_EQ(nodeRegistry.count, 2);

    // Here the count comes back to zero at the "[" of the Group's children:
    // the Shape after it lands in the Transform, the Group is never made.
    releaseNodeRegistry();
    root = parse(
        "Transform { children [ Foo ] }\n"
        "Group { children [ Shape { } ] }\n"
        "Shape { }\n");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(childTypes(root), (std::vector<int32_t>{NodeType::Transform, NodeType::Shape}));
    EXPECT_EQ(childTypes(childrenOf(root)[0]), std::vector<int32_t>{NodeType::Shape});
    EXPECT_EQ(nodeRegistry.count, 4);
    EXPECT_EQ(parser->messageCount(), 1);
}

TEST_F(Parser, NodeWithoutBraces) {
    // A body is read token by token until the brace count is back at zero, so
    // a type name followed by a field reads that one field; a following "]"
    // is passed over as the body's only token.
    X3DNode* root = parse("Transform translation 1 2 3 Group { children [ Transform ] Shape { } ] }\n");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(childTypes(root), (std::vector<int32_t>{NodeType::Transform, NodeType::Group}));
    EXPECT_EQ(static_cast<nTransform*>(childrenOf(root)[0])->translation.value.z, 3.0f);
    EXPECT_EQ(childTypes(childrenOf(root)[1]), (std::vector<int32_t>{NodeType::Transform, NodeType::Shape}));
}

TEST_F(Parser, Routes) {
    openTestLog();
    X3DNode* root = parse(
        "DEF TS TimeSensor { }\n"
        "DEF PI PositionInterpolator { }\n"
        "ROUTE TS.fraction_changed TO PI.set_fraction\n"
        "ROUTE TS.fraction_changed TO PI.set_fractio\n"
        "ROUTE TS.fraction_changed TO Nobody.set_fraction\n"
        "DEF T Transform { ROUTE PI.value_changed TO T.set_translation }\n"
        "ROUTE T.translation TO Later.translation\n"
        "DEF Later Transform { }\n");
    ASSERT_NE(root, nullptr);
    auto* ts = static_cast<nTimeSensor*>(childrenOf(root)[0]);
    auto* pi = static_cast<nPositionInterpolator*>(childrenOf(root)[1]);
    auto* t = static_cast<nTransform*>(childrenOf(root)[2]);
    ASSERT_EQ(ts->fraction_changed.routes.count, 1);
    EXPECT_EQ(ts->fraction_changed.routes[0], &pi->set_fraction);
    ASSERT_EQ(pi->value_changed.routes.count, 1);
    EXPECT_EQ(pi->value_changed.routes[0], &t->translation);
    EXPECT_EQ(t->translation.routes.count, 0);
    EXPECT_EQ(parser->routeCount(), 2);
    EXPECT_EQ(parser->messageCount(), 3);
    EXPECT_EQ(driver.messages, (std::vector<std::string>{"Error in route:4", "Error in route:5", "Error in route:7"}));

    // A route moves values once the world runs.
    ts->fraction_changed.setValue(0.5f);
    EXPECT_EQ(pi->set_fraction.value, 0.5f);
}

TEST_F(Parser, PrototypeDeclarations) {
    openTestLog();
    // Upper-case declarations are skipped whole (name, interface, body or
    // URL), so the world after them is read; uses of the prototype are
    // unrecognised types.
    X3DNode* root = parse(
        "PROTO Box2 [ field SFVec3f size 1 1 1 exposedField SFNode n NULL ] { Transform { children Shape { } } }\n"
        "EXTERNPROTO Ext [ field SFFloat f ] [ \"a.wrl#Ext\" \"b.wrl\" ]\n"
        "EXTERNPROTO Ext2 [ ] \"c.wrl\"\n"
        "Box2 { size 2 2 2 }\n"
        "Group { }\n");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(childTypes(root), std::vector<int32_t>{NodeType::Group});
    EXPECT_EQ(nodeRegistry.count, 2);
    EXPECT_EQ(driver.messages, (std::vector<std::string>{"Unrecognized node type 'PROTO' at line: 1",
                                                         "Unrecognized node type 'EXTERNPROTO' at line: 2",
                                                         "Unrecognized node type 'EXTERNPROTO' at line: 3",
                                                         "Unrecognized node type 'Box2' at line: 4"}));

    // Lower-case words skip the name and one group only: the body in braces
    // that follows the interface is then read at the top level.
    driver.messages.clear();
    root = parse(
        "proto P [ field SFFloat f 1 ] { Transform { } }\n"
        "externproto E [ ] \"e.wrl\"\n"
        "proto Q { Shape { } }\n"
        "Group { }\n");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(childTypes(root), (std::vector<int32_t>{NodeType::Transform, NodeType::Group}));
    EXPECT_EQ(driver.messages, (std::vector<std::string>{"Unrecognized node type 'proto' at line: 1",
                                                         "Unrecognized node type 'externproto' at line: 2",
                                                         "Unrecognized node type 'proto' at line: 3"}));
}

TEST_F(Parser, MessagesCarryTheLineNumberInTheFileAndTheStore) {
    const char* lines[] = {
        "#VRML V2.0 utf8",                       // 1
        "Transform {",                           // 2
        "  Translation 1 2 3",                   // 3
        "  children [",                          // 4
        "    Sphere { radius 2 }",               // 5
        "    Cylinder",                          // 6: its body opens on the next line
        "    { height 1 }",                      // 7
        "  ]",                                   // 8
        "}",                                     // 9
        "ROUTE A.b TO",                          // 10
        "  C.d",                                 // 11: the route ends here
    };
    const std::string expectedFile =
        "ORVELLA log: version: 1, build: 1"
        "Unrecognized field type 'Translation' at line: 3\n"
        "Unrecognized node type 'Sphere' at line: 5\n"
        "Unrecognized node type 'Cylinder' at line: 6\n"
        "Error in route:11\n";
    const std::vector<std::string> expectedStore = {"Unrecognized node type 'Sphere' at line: 5",
                                                    "Unrecognized node type 'Cylinder' at line: 6",
                                                    "Error in route:11"};
    for (const char* lineEnd : {"\n", "\r\n", "\r"}) {
        SCOPED_TRACE(testing::PrintToString(lineEnd));
        std::string world;
        for (const char* line : lines) world += std::string(line) + lineEnd;
        driver.messages.clear();
        openTestLog();
        std::vector<std::u16string> observed;
        parser = std::make_unique<VrmlParser>(createNode, openStream);
        parser->setMessageObserver([&](const std::u16string& message) { observed.push_back(message); });
        MemoryStream stream(world);
        EXPECT_NE(parser->parseStream(&stream), nullptr);
        EXPECT_EQ(logFileText(), expectedFile);
        EXPECT_EQ(driver.messages, expectedStore);
        EXPECT_EQ(observed, (std::vector<std::u16string>{u"Unrecognized field type 'Translation' at line: 3",
                                                         u"Unrecognized node type 'Sphere' at line: 5",
                                                         u"Unrecognized node type 'Cylinder' at line: 6",
                                                         u"Error in route:11"}));
        EXPECT_EQ(parser->messageCount(), 4);
        releaseNodeRegistry();
    }
}

TEST_F(Parser, ParseWorldOpensFilesByNarrowedNameCutTo255) {
    const std::string world = "Group { }";
    VrmlParser missing(createNode, openStream);
    EXPECT_EQ(missing.parseWorld(widenText(scratch.file("missing.wrl"))), nullptr);
    EXPECT_EQ(nodeRegistry.count, 0);  // nothing was read

    // Each character keeps its low byte: U+0141 names the file "A.wrl".
    scratch.write("A.wrl", world);
    VrmlParser narrowed(createNode, openStream);
    EXPECT_NE(narrowed.parseWorld(widenText(scratch.path()) + u"/\u0141.wrl"), nullptr);

    // A path of exactly 255 characters, then more: the rest is cut away.
    std::string path = scratch.path() + "/";
    while (path.size() < 255 - 10) {
        const std::size_t room = 255 - 10 - path.size();
        const std::string part(std::min<std::size_t>(room, 100), 'd');
        path += part + "/";
        std::filesystem::create_directory(path);
    }
    path += std::string(255 - path.size() - 4, 'w') + ".wrl";
    ASSERT_EQ(path.size(), 255u);
    {
        std::ofstream out(path);
        out << world;
    }
    VrmlParser longName(createNode, openStream);
    X3DNode* root = longName.parseWorld(widenText(path + "EXTRA/never/read.wrl"));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(childTypes(root), std::vector<int32_t>{NodeType::Group});
    // Cut names are not refused, and a name that differs only beyond 255 is
    // the same file.
    VrmlParser cutAtEnd(createNode, openStream);
    EXPECT_NE(cutAtEnd.parseWorld(widenText(path + std::string(300, 'x'))), nullptr);
}

}  // namespace

namespace {

TEST_F(Parser, ByteOrderMarkAtTheStartIsDropped) {
    // The mark before the header would otherwise read as a word and swallow
    // the first node; line numbers are unaffected.
    openTestLog();
    X3DNode* root = parse("\xEF\xBB\xBF#VRML V2.0 utf8\nGroup { }\nFoo { }\n");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(childTypes(root), std::vector<int32_t>({NodeType::Group}));
    EXPECT_EQ(parser->messageCount(), 1);
    EXPECT_NE(logFileText().find("Unrecognized node type 'Foo' at line: 3"), std::string::npos);

    // Only the exact mark, only at the start: its bytes elsewhere, or a
    // partial mark, are read as they always were.
    releaseNodeRegistry();
    root = parse("\xEF\xBBGroup { }");  // one unknown word: nothing is read
    EXPECT_EQ(root, nullptr);
    releaseNodeRegistry();
    root = parse("\xEF");
    EXPECT_EQ(root, nullptr);
    releaseNodeRegistry();
    root = parse("Group { } \xEF\xBB\xBF Transform { }");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(childTypes(root), std::vector<int32_t>({NodeType::Group}));
}

}  // namespace
