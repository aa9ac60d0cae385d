// The node catalogue: for every class the factory builds, the fields it
// registers (base fields first), their codes, classes and defaults, its family
// code and its working members, compared with the catalogue as documented.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "scene/bindable_nodes.h"
#include "events/node_factory.h"
#include "scene/field_codes.h"
#include "scene/geometry_nodes.h"
#include "scene/grouping_nodes.h"
#include "scene/interpolator_nodes.h"
#include "scene/light_nodes.h"
#include "scene/name_tables.h"
#include "scene/node_registry.h"
#include "scene/sensor_nodes.h"
#include "scene/shape_nodes.h"

namespace {

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string text(const Vec2f& v) { return number(v.x) + " " + number(v.y); }
std::string text(const Vec3f& v) { return number(v.x) + " " + number(v.y) + " " + number(v.z); }
std::string text(const Color4f& c) {
    return number(c.r) + " " + number(c.g) + " " + number(c.b) + " " + number(c.a);
}
std::string text(const Rotation& r) {
    return number(r.x) + " " + number(r.y) + " " + number(r.z) + " " + number(r.angle);
}
std::string text(float v) { return number(v); }
std::string text(int32_t v) { return std::to_string(v); }
std::string text(X3DNode* node) { return node ? "node" : "NULL"; }
std::string text(const std::u16string& s) {
    std::string out = "\"";
    for (char16_t c : s) out.push_back(static_cast<char>(c));  // test strings are ASCII
    return out + "\"";
}

template <class T>
std::string text(const SimpleArray<T>& list) {
    std::string out = "[";
    for (int32_t i = 0; i < list.count; ++i) out += (i ? ", " : "") + text(list[i]);
    return out + "]";
}

// A field's value as the catalogue writes defaults; colours show all four
// components.
std::string describe(const X3DField* f) {
    switch (f->type) {
        case FieldType::SFBool: return static_cast<const fSFBool*>(f)->value ? "TRUE" : "FALSE";
        case FieldType::SFColor: return text(static_cast<const fSFColor*>(f)->value);
        case FieldType::SFFloat: return text(static_cast<const fSFFloat*>(f)->value);
        case FieldType::SFNode: return text(static_cast<const fSFNode*>(f)->value);
        case FieldType::SFRotation: return text(static_cast<const fSFRotation*>(f)->value);
        case FieldType::SFString: return text(static_cast<const fSFString*>(f)->value);
        case FieldType::SFTime: return number(static_cast<const fSFTime*>(f)->value);
        case FieldType::SFVec3f: return text(static_cast<const fSFVec3f*>(f)->value);
        case FieldType::MFColor: return text(static_cast<const fMFColor*>(f)->value);
        case FieldType::MFFloat: return text(static_cast<const fMFFloat*>(f)->value);
        case FieldType::MFInt32: return text(static_cast<const fMFInt32*>(f)->value);
        case FieldType::MFNode: return text(static_cast<const fMFNode*>(f)->value);
        case FieldType::MFRotation: return text(static_cast<const fMFRotation*>(f)->value);
        case FieldType::MFString: return text(static_cast<const fMFString*>(f)->value);
        case FieldType::MFVec2f: return text(static_cast<const fMFVec2f*>(f)->value);
        case FieldType::MFVec3f: return text(static_cast<const fMFVec3f*>(f)->value);
        default: return "?";
    }
}

struct ExpectedField {
    const char* name;
    int32_t code;
    FieldType type;
    const char* value;
};

using FieldList = std::vector<ExpectedField>;

FieldList operator+(FieldList a, const FieldList& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

using FT = FieldType;
const FieldList kBindable = {{"set_bind", 82, FT::SFBool, "FALSE"},
                             {"bindTime", 55, FT::SFTime, "-1"},
                             {"isBound", 20, FT::SFBool, "FALSE"}};
const FieldList kGrouping = {{"children", 1, FT::MFNode, "[]"},
                             {"bboxCenter", 5, FT::SFVec3f, "0 0 0"},
                             {"bboxSize", 6, FT::SFVec3f, "-1 -1 -1"}};
const FieldList kInterpolator = {{"set_fraction", 59, FT::SFFloat, "0"}, {"key", 60, FT::MFFloat, "[]"}};
const FieldList kSensor = {{"enabled", 34, FT::SFBool, "TRUE"}, {"isActive", 35, FT::SFBool, "FALSE"}};
const FieldList kLight = {{"ambientIntensity", 104, FT::SFFloat, "0"},
                          {"color", 103, FT::SFColor, "1 1 1 0"},
                          {"intensity", 23, FT::SFFloat, "1"},
                          {"on", 24, FT::SFBool, "TRUE"}};

struct ExpectedClass {
    const char* typeName;
    int32_t nodeType;
    int32_t category;
    bool (*isClass)(X3DNode*);
    FieldList fields;
};

template <class T>
bool is(X3DNode* node) {
    return dynamic_cast<T*>(node) != nullptr;
}

const std::vector<ExpectedClass>& catalogue() {
    static const std::vector<ExpectedClass> classes = {
        {"Transform", 1, 2, is<nTransform>,
         kGrouping + FieldList{{"center", 8, FT::SFVec3f, "0 0 0"},
                               {"rotation", 9, FT::SFRotation, "0 0 1 0"},
                               {"scale", 10, FT::SFVec3f, "1 1 1"},
                               {"scaleOrientation", 11, FT::SFRotation, "0 0 1 0"},
                               {"translation", 12, FT::SFVec3f, "0 0 0"}}},
        {"Group", 2, 2, is<nGroup>, kGrouping},
        {"Anchor", 3, 2, is<nAnchor>,
         kGrouping + FieldList{{"description", 2, FT::SFString, "\"\""},
                               {"parameter", 3, FT::MFString, "[]"},
                               {"url", 4, FT::MFString, "[]"}}},
        {"Appearance", 5, 6, is<nAppearance>,
         {{"material", 13, FT::SFNode, "NULL"}, {"texture", 14, FT::SFNode, "NULL"}}},
        {"Background", 7, 0, is<nBackground>, kBindable + FieldList{{"skyColor", 19, FT::MFColor, "[0 0 0 0]"}}},
        {"Coordinate", 8, 6, is<nCoordinate>, {{"point", 21, FT::MFVec3f, "[]"}}},
        {"DirectionalLight", 9, 5, is<nDirectionalLight>,
         kLight + FieldList{{"direction", 22, FT::SFVec3f, "0 0 -1"}}},
        {"ImageTexture", 10, 6, is<nImageTexture>, {{"url", 4, FT::MFString, "[]"}}},
        {"Material", 13, 6, is<nMaterial>,
         {{"ambientIntensity", 104, FT::SFFloat, "0.2"},
          {"diffuseColor", 27, FT::SFColor, "0.8 0.8 0.8 0"},
          {"emissiveColor", 83, FT::SFColor, "0 0 0 0"},
          {"transparency", 80, FT::SFFloat, "0"}}},
        {"NavigationInfo", 14, 0, is<nNavigationInfo>,
         kBindable + FieldList{{"avatarSize", 28, FT::MFFloat, "[0.25, 1.6, 0.75]"},
                               {"headlight", 29, FT::SFBool, "TRUE"},
                               {"speed", 30, FT::SFFloat, "1"},
                               {"type", 31, FT::MFString, "[]"},
                               {"visibilityLimit", 32, FT::SFFloat, "0"}}},
        {"ProximitySensor", 15, 4, is<nProximitySensor>,
         kSensor + FieldList{{"center", 8, FT::SFVec3f, "0 0 0"},
                             {"size", 33, FT::SFVec3f, "0 0 0"},
                             {"position_changed", 36, FT::SFVec3f, "0 0 0"},
                             {"orientation_changed", 37, FT::SFRotation, "0 0 1 0"}}},
        {"Shape", 16, 6, is<nShape>, {{"appearance", 40, FT::SFNode, "NULL"}, {"geometry", 41, FT::SFNode, "NULL"}}},
        {"TimeSensor", 18, 4, is<nTimeSensor>,
         kSensor + FieldList{{"cycleInterval", 44, FT::SFTime, "1"},
                             {"loop", 15, FT::SFBool, "FALSE"},
                             {"startTime", 16, FT::SFTime, "0"},
                             {"stopTime", 17, FT::SFTime, "0"},
                             {"cycleTime", 45, FT::SFTime, "-1"},
                             {"fraction_changed", 46, FT::SFFloat, "0"},
                             {"time", 47, FT::SFTime, "-1"}}},
        {"TouchSensor", 19, 4, is<nTouchSensor>,
         kSensor + FieldList{{"description", 2, FT::SFString, "\"\""},
                             {"hitPoint_changed", 48, FT::SFVec3f, "0 0 0"},
                             {"isOver", 49, FT::SFBool, "FALSE"},
                             {"touchTime", 50, FT::SFTime, "-1"}}},
        {"Viewpoint", 20, 0, is<nViewpoint>,
         kBindable + FieldList{{"description", 2, FT::SFString, "\"\""},
                               {"fieldOfView", 51, FT::SFFloat, "0"},
                               {"jump", 52, FT::SFBool, "FALSE"},
                               {"orientation", 53, FT::SFRotation, "0 0 1 0"},
                               {"position", 54, FT::SFVec3f, "0 0 10"}}},
        {"TextureCoordinate", 23, 6, is<nTextureCoordinate>, {{"point", 21, FT::MFVec2f, "[]"}}},
        {"ColorInterpolator", 25, 3, is<nColorInterpolator>,
         kInterpolator + FieldList{{"keyValue", 61, FT::MFColor, "[]"},
                                   {"value_changed", 62, FT::SFColor, "0 0 0 0"}}},
        {"CoordinateInterpolator", 26, 3, is<nCoordinateInterpolator>,
         kInterpolator + FieldList{{"keyValue", 61, FT::MFVec3f, "[]"}, {"value_changed", 62, FT::MFVec3f, "[]"}}},
        {"OrientationInterpolator", 27, 3, is<nOrientationInterpolator>,
         kInterpolator + FieldList{{"keyValue", 61, FT::MFRotation, "[]"},
                                   {"value_changed", 62, FT::SFRotation, "0 0 1 0"}}},
        {"PositionInterpolator", 28, 3, is<nPositionInterpolator>,
         kInterpolator + FieldList{{"keyValue", 61, FT::MFVec3f, "[]"},
                                   {"value_changed", 62, FT::SFVec3f, "0 0 0"}}},
        {"ScalarInterpolator", 29, 3, is<nScalarInterpolator>,
         kInterpolator + FieldList{{"keyValue", 61, FT::MFFloat, "[]"}, {"value_changed", 62, FT::SFFloat, "0"}}},
        {"IndexedFaceSet", 30, 1, is<nIndexedFaceSet>,
         {{"set_coordIndex", 71, FT::MFInt32, "[]"},
          {"set_texCoordIndex", 72, FT::MFInt32, "[]"},
          {"coord", 73, FT::SFNode, "NULL"},
          {"texCoord", 74, FT::SFNode, "NULL"},
          {"ccw", 75, FT::SFBool, "TRUE"},
          {"coordIndex", 76, FT::MFInt32, "[]"},
          {"creaseAngle", 77, FT::SFFloat, "0"},
          {"solid", 78, FT::SFBool, "TRUE"},
          {"texCoordIndex", 79, FT::MFInt32, "[]"}}},
    };
    return classes;
}

std::u16string wide(const char* s) { return std::u16string(s, s + std::char_traits<char>::length(s)); }

class NodeCatalogue : public ::testing::Test {
protected:
    void TearDown() override { releaseNodeRegistry(); }
};

TEST_F(NodeCatalogue, EveryClassRegistersItsFieldsInOrderWithDefaults) {
    ASSERT_EQ(catalogue().size(), 22u);
    for (const ExpectedClass& expected : catalogue()) {
        SCOPED_TRACE(expected.typeName);
        EXPECT_EQ(kNodeNames[expected.nodeType], wide(expected.typeName));
        X3DNode* node = createNode(u"", expected.nodeType);
        ASSERT_NE(node, nullptr);
        EXPECT_TRUE(expected.isClass(node));
        EXPECT_EQ(node->nodeType, expected.nodeType);
        EXPECT_EQ(node->category, expected.category);
        EXPECT_EQ(node->parent, nullptr);
        ASSERT_EQ(node->fields.size(), expected.fields.size());
        const X3DField* previous = nullptr;
        for (const ExpectedField& e : expected.fields) {
            SCOPED_TRACE(e.name);
            EXPECT_EQ(kFieldNames[e.code], wide(e.name));
            EXPECT_EQ(lookupFieldCode(wide(e.name)), e.code);  // the first entry of the name
            ASSERT_EQ(node->fields.count(e.code), 1u);
            const X3DField* field = node->fields.at(e.code);
            EXPECT_EQ(node->findField(wide(e.name)), field);
            EXPECT_EQ(field->nameCode, e.code);
            EXPECT_EQ(field->type, e.type);
            EXPECT_EQ(field->owner, node);
            EXPECT_EQ(field->routes.count, 0);
            EXPECT_FALSE(field->delivering);
            EXPECT_EQ(describe(field), e.value);
            // Members are constructed in declaration order, base members first,
            // so increasing addresses show the construction (registration) order.
            if (previous) {
                EXPECT_LT(reinterpret_cast<uintptr_t>(previous), reinterpret_cast<uintptr_t>(field));
            }
            previous = field;
        }
    }
}

TEST_F(NodeCatalogue, WorkingMembersStartEmpty) {
    auto* texture = static_cast<nImageTexture*>(createNode(u"", NodeType::ImageTexture));
    EXPECT_EQ(texture->textureEntry, nullptr);
    auto* timer = static_cast<nTimeSensor*>(createNode(u"", NodeType::TimeSensor));
    EXPECT_EQ(timer->cycleCount, 0.0);
    auto* touch = static_cast<nTouchSensor*>(createNode(u"", NodeType::TouchSensor));
    EXPECT_FALSE(touch->found);
    EXPECT_EQ(touch->searchTarget, nullptr);
    auto* view = static_cast<nViewpoint*>(createNode(u"", NodeType::Viewpoint));
    EXPECT_EQ(view->ownerScene, nullptr);
    auto* scalar = static_cast<nScalarInterpolator*>(createNode(u"", NodeType::ScalarInterpolator));
    EXPECT_EQ(scalar->lastSegment, 0);
    auto* mesh = static_cast<nIndexedFaceSet*>(createNode(u"", NodeType::IndexedFaceSet));
    EXPECT_EQ(mesh->normals.count, 0);
    EXPECT_EQ(mesh->normalIndex.count, 0);
    EXPECT_EQ(text(mesh->boundsCenter), "0 0 0");
    EXPECT_EQ(text(mesh->boundsSize), "-1 -1 -1");
    EXPECT_TRUE(mesh->boundsStale);
    EXPECT_TRUE(mesh->normalsStale);
}

TEST_F(NodeCatalogue, MeshCachesGoStaleOnlyWhenItsCoordChanges) {
    auto* mesh = static_cast<nIndexedFaceSet*>(createNode(u"", NodeType::IndexedFaceSet));
    auto* other = static_cast<nIndexedFaceSet*>(createNode(u"", NodeType::IndexedFaceSet));
    auto settle = [&] { mesh->boundsStale = mesh->normalsStale = false; };

    settle();
    mesh->creaseAngle.setValue(0.5f);
    mesh->ccw.setValue(false);
    mesh->fieldChanged(&mesh->coordIndex);
    mesh->fieldChanged(&other->coord);  // another mesh's coord is not this one's
    mesh->fieldChanged(nullptr);
    EXPECT_FALSE(mesh->boundsStale);
    EXPECT_FALSE(mesh->normalsStale);

    mesh->fieldChanged(&mesh->coord);
    EXPECT_TRUE(mesh->boundsStale);
    EXPECT_TRUE(mesh->normalsStale);

    // Through the virtual slot, as delivery calls it.
    settle();
    X3DNode* asNode = mesh;
    asNode->fieldChanged(mesh->findField(u"coord"));
    EXPECT_TRUE(mesh->boundsStale);
    EXPECT_TRUE(mesh->normalsStale);
}

TEST(NameTables, PlaceholdersAndCodes) {
    for (std::u16string_view placeholder : {kNodeNames[0], kFieldNames[0]}) {
        EXPECT_TRUE(placeholder.starts_with(u"http://"));
        for (int32_t i = 1; i < kNodeNameCount; ++i) EXPECT_NE(placeholder, kNodeNames[i]);
        for (int32_t i = 1; i < kFieldNameCount; ++i) EXPECT_NE(placeholder, kFieldNames[i]);
    }
    EXPECT_EQ(kNodeNames[NodeType::Transform], u"Transform");
    EXPECT_EQ(kNodeNames[NodeType::Viewpoint], u"Viewpoint");
    EXPECT_EQ(kNodeNames[NodeType::FontStyle], u"FontStyle");
    EXPECT_EQ(kFieldNames[58], u"point");  // a repeated name, never carried by a field
    EXPECT_EQ(kFieldNames[93], u"orientation");
    EXPECT_EQ(kFieldNames[FieldCode::set_bind], u"set_bind");
    EXPECT_EQ(kFieldNames[FieldCode::ambientIntensity], u"ambientIntensity");
    EXPECT_EQ(kFieldNames[FieldCode::color], u"color");
    EXPECT_EQ(kFieldNames[92], u"spine");
}

}  // namespace
