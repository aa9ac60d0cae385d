// The value layer of the reader: every FieldType, single values, bracketed
// and unbracketed lists, what replaces and what appends, incomplete groups.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "scene/bindable_nodes.h"
#include "scene/geometry_nodes.h"
#include "scene/interpolator_nodes.h"
#include "scene/light_nodes.h"
#include "scene/node_types.h"
#include "scene/sensor_nodes.h"
#include "scene/shape_nodes.h"
#include "vrml/reader_test_support.h"

namespace {

class FieldReader : public ReaderTest {
protected:
    // The first top-level node of the world, as the given class.
    template <class Node>
    Node* first(const std::string& world) {
        X3DNode* root = parse(world);
        EXPECT_NE(root, nullptr) << world;
        if (!root) return nullptr;
        return static_cast<Node*>(childrenOf(root)[0]);
    }
};

std::vector<float> floats(const SimpleArray<float>& array) { return {array.begin(), array.end()}; }
std::vector<int32_t> ints(const SimpleArray<int32_t>& array) { return {array.begin(), array.end()}; }
std::vector<std::u16string> strings(const SimpleArray<std::u16string>& array) { return {array.begin(), array.end()}; }
std::vector<float> flat(const SimpleArray<Vec3f>& array) {
    std::vector<float> out;
    for (const Vec3f& v : array) out.insert(out.end(), {v.x, v.y, v.z});
    return out;
}

TEST_F(FieldReader, SFBoolIsTrueOnlyForTheWordTRUE) {
    const struct {
        const char* value;
        bool expected;
    } cases[] = {
        {"TRUE", true}, {"FALSE", false}, {"0", false}, {"1", false}, {"false", false},
        {"true", false}, {"True", false}, {"\"TRUE\"", true}, {"TRUEX", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        auto* sensor = first<nTimeSensor>(std::string("TimeSensor { loop ") + c.value + " }");
        ASSERT_NE(sensor, nullptr);
        EXPECT_EQ(sensor->loop.value, c.expected);
        // A default of true is overwritten the same way.
        auto* faces = first<nIndexedFaceSet>(std::string("IndexedFaceSet { ccw ") + c.value + " solid TRUE }");
        ASSERT_NE(faces, nullptr);
        EXPECT_EQ(faces->ccw.value, c.expected);
        EXPECT_TRUE(faces->solid.value);
    }
}

TEST_F(FieldReader, SingleValues) {
    auto* material = first<nMaterial>("Material { diffuseColor 1 0.5 .25 transparency 0.75 ambientIntensity 1e-1 }");
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(material->diffuseColor.value.r, 1.0f);
    EXPECT_EQ(material->diffuseColor.value.g, 0.5f);
    EXPECT_EQ(material->diffuseColor.value.b, 0.25f);
    EXPECT_EQ(material->diffuseColor.value.a, 0.0f);  // text never sets it
    EXPECT_EQ(material->transparency.value, 0.75f);
    EXPECT_EQ(material->ambientIntensity.value, static_cast<float>(0.1));

    auto* transform = first<nTransform>(
        "Transform { rotation 0 1 0 1.5708 translation 1e2 -2.5E-1 3 scale 2 2 2 center -1 -.5 -0 }");
    ASSERT_NE(transform, nullptr);
    EXPECT_EQ(transform->rotation.value.y, 1.0f);
    EXPECT_EQ(transform->rotation.value.angle, static_cast<float>(1.5708));
    EXPECT_EQ(transform->translation.value.x, 100.0f);
    EXPECT_EQ(transform->translation.value.y, -0.25f);
    EXPECT_EQ(transform->translation.value.z, 3.0f);
    EXPECT_EQ(transform->center.value.y, -0.5f);

    // Times keep double precision.
    auto* sensor = first<nTimeSensor>("TimeSensor { cycleInterval 0.1 startTime 1234567890.125 }");
    ASSERT_NE(sensor, nullptr);
    EXPECT_EQ(sensor->cycleInterval.value, 0.1);
    EXPECT_EQ(sensor->startTime.value, 1234567890.125);

    // A string's contents, a word as written, nothing for a number.
    auto* viewpoint = first<nViewpoint>("Viewpoint { description \"Front \\\"door\\\"\" fieldOfView 0.8 jump TRUE }");
    ASSERT_NE(viewpoint, nullptr);
    EXPECT_EQ(viewpoint->description.value, u"Front \"door\"");
    EXPECT_EQ(viewpoint->fieldOfView.value, 0.8f);
    EXPECT_TRUE(viewpoint->jump.value);
    viewpoint = first<nViewpoint>("Viewpoint { description Word_1 }");
    EXPECT_EQ(viewpoint->description.value, u"Word_1");
    viewpoint = first<nViewpoint>("Viewpoint { description 12 }");
    EXPECT_EQ(viewpoint->description.value, u"");

    auto* light = first<nDirectionalLight>("DirectionalLight { direction 0 -1 0 color 1 1 0 on FALSE intensity 0.5 }");
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->direction.value.y, -1.0f);
    EXPECT_EQ(light->color.value.b, 0.0f);
    EXPECT_FALSE(light->on.value);
    EXPECT_EQ(light->intensity.value, 0.5f);
}

TEST_F(FieldReader, ANonNumberInANumberPositionGivesTheMostRecentNumber) {
    auto* transform = first<nTransform>("Transform { translation 1 foo 3 }");
    ASSERT_NE(transform, nullptr);
    EXPECT_EQ(transform->translation.value.x, 1.0f);
    EXPECT_EQ(transform->translation.value.y, 1.0f);
    EXPECT_EQ(transform->translation.value.z, 3.0f);
    EXPECT_EQ(parser->messageCount(), 0);  // "foo" was part of the value

    // The most recent number may come from an earlier field.
    transform = first<nTransform>("Transform { scale 4 5 6 translation \"a\" \"b\" \"c\" }");
    EXPECT_EQ(transform->translation.value.x, 6.0f);
    EXPECT_EQ(transform->translation.value.z, 6.0f);
}

TEST_F(FieldReader, StringListsSingleAndBracketed) {
    auto* texture = first<nImageTexture>("ImageTexture { url \"a.png\" }");
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(strings(texture->url.value), std::vector<std::u16string>{u"a.png"});

    texture = first<nImageTexture>("ImageTexture { url [ \"a.png\" \"b.gif\", word 7 \"c.jpg\" ] }");
    EXPECT_EQ(strings(texture->url.value), (std::vector<std::u16string>{u"a.png", u"b.gif", u"c.jpg"}));

    // An unbracketed word is one token of the value and gives no string.
    texture = first<nImageTexture>("ImageTexture { url word }");
    EXPECT_TRUE(texture->url.value.empty());

    auto* navigation = first<nNavigationInfo>("NavigationInfo { type [ \"WALK\" \"ANY\" ] }");
    EXPECT_EQ(strings(navigation->type.value), (std::vector<std::u16string>{u"WALK", u"ANY"}));
}

TEST_F(FieldReader, NumberListsSingleEmptyAndWithCommas) {
    auto* scalar = first<nScalarInterpolator>("ScalarInterpolator { key 0.5 keyValue [ 1, 2 ] }");
    ASSERT_NE(scalar, nullptr);
    EXPECT_EQ(floats(scalar->key.value), std::vector<float>{0.5f});
    EXPECT_EQ(floats(scalar->keyValue.value), (std::vector<float>{1.0f, 2.0f}));

    scalar = first<nScalarInterpolator>("ScalarInterpolator { key [ ] keyValue [] }");
    EXPECT_TRUE(scalar->key.value.empty());
    EXPECT_TRUE(scalar->keyValue.value.empty());

    auto* blanks = first<nCoordinate>("Coordinate { point [ 1 2 3 4 5 6 ] }");
    auto* commas = first<nCoordinate>("Coordinate { point [ 1,2,3, 4,5,6, ] }");
    EXPECT_EQ(flat(blanks->point.value), (std::vector<float>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(flat(commas->point.value), flat(blanks->point.value));

    // Without brackets exactly one item's tokens are taken; the rest of the
    // numbers are passed over by the body.
    auto* single = first<nCoordinate>("Coordinate { point 1 2 3 4 5 6 }");
    EXPECT_EQ(flat(single->point.value), (std::vector<float>{1, 2, 3}));

    // Truncation toward zero, saturation beyond the 32-bit range.
    auto* faces = first<nIndexedFaceSet>(
        "IndexedFaceSet { coordIndex [ 0 1 2 -1 3.7 -2.9 1e20 -1e20 2147483647 -2147483648 ] }");
    EXPECT_EQ(ints(faces->coordIndex.value),
              (std::vector<int32_t>{0, 1, 2, -1, 3, -2, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN}));
}

TEST_F(FieldReader, EveryMultiValuedType) {
    auto* colours = first<nColorInterpolator>(
        "ColorInterpolator { key [ 0 1 ] keyValue [ 1 0 0, 0 0.5 1 ] value_changed 0.25 0.5 0.75 }");
    ASSERT_NE(colours, nullptr);
    ASSERT_EQ(colours->keyValue.value.count, 2);
    EXPECT_EQ(colours->keyValue.value[1].g, 0.5f);
    EXPECT_EQ(colours->keyValue.value[1].b, 1.0f);
    EXPECT_EQ(colours->keyValue.value[1].a, 0.0f);
    EXPECT_EQ(colours->value_changed.value.g, 0.5f);

    auto* orientation = first<nOrientationInterpolator>(
        "OrientationInterpolator { keyValue [ 0 1 0 0, 0 1 0 3.14159 ] }");
    ASSERT_EQ(orientation->keyValue.value.count, 2);
    EXPECT_EQ(orientation->keyValue.value[1].angle, static_cast<float>(3.14159));
    EXPECT_EQ(orientation->keyValue.value[1].y, 1.0f);

    auto* texCoords = first<nTextureCoordinate>("TextureCoordinate { point [ 0 0, 1 0, 1 1 ] }");
    ASSERT_EQ(texCoords->point.value.count, 3);
    EXPECT_EQ(texCoords->point.value[2].x, 1.0f);
    EXPECT_EQ(texCoords->point.value[2].y, 1.0f);

    auto* anchor = first<nAnchor>(
        "Anchor { url \"#vp\" parameter [ \"target=x\" ] description \"go\" children [ Group { } Shape { } ] }");
    EXPECT_EQ(strings(anchor->url.value), std::vector<std::u16string>{u"#vp"});
    EXPECT_EQ(strings(anchor->parameter.value), std::vector<std::u16string>{u"target=x"});
    EXPECT_EQ(anchor->description.value, u"go");
    EXPECT_EQ(childTypes(anchor), (std::vector<int32_t>{NodeType::Group, NodeType::Shape}));
}

TEST_F(FieldReader, ValuesReplaceDefaultsAndNodeListsAppend) {
    auto* navigation = first<nNavigationInfo>("NavigationInfo { avatarSize [ 0.5 ] speed 2 headlight FALSE }");
    ASSERT_NE(navigation, nullptr);
    EXPECT_EQ(floats(navigation->avatarSize.value), std::vector<float>{0.5f});
    EXPECT_EQ(navigation->speed.value, 2.0f);
    EXPECT_FALSE(navigation->headlight.value);

    auto* background = first<nBackground>("Background { skyColor 0.2 0.4 0.6 }");
    ASSERT_EQ(background->skyColor.value.count, 1);
    EXPECT_EQ(background->skyColor.value[0].b, 0.6f);
    background = first<nBackground>("Background { skyColor [ ] }");
    EXPECT_EQ(background->skyColor.value.count, 0);
    background = first<nBackground>("Background { skyColor [ 1 1 1 ] skyColor [ 0 0 1, 0 1 0 ] }");
    ASSERT_EQ(background->skyColor.value.count, 2);
    EXPECT_EQ(background->skyColor.value[0].b, 1.0f);

    auto* coordinate = first<nCoordinate>("Coordinate { point [ 1 1 1, 2 2 2 ] point [ 3 3 3 ] }");
    EXPECT_EQ(flat(coordinate->point.value), (std::vector<float>{3, 3, 3}));

    auto* group = first<nGroup>("Group { children [ Shape { } ] children Transform { } children [ Group { } ] }");
    EXPECT_EQ(childTypes(group), (std::vector<int32_t>{NodeType::Shape, NodeType::Transform, NodeType::Group}));
}

TEST_F(FieldReader, ChildrenWithoutBracketsReadOneNode) {
    auto* transform = first<nTransform>("Transform { children Shape { } translation 1 2 3 }");
    ASSERT_NE(transform, nullptr);
    EXPECT_EQ(childTypes(transform), std::vector<int32_t>{NodeType::Shape});
    EXPECT_EQ(transform->translation.value.z, 3.0f);
    EXPECT_EQ(childrenOf(transform)[0]->parent, transform);
    EXPECT_EQ(parser->messageCount(), 0);

    // DEF and USE stand for the one node too.
    X3DNode* root = parse("Transform { children DEF A Group { } } Transform { children USE A }");
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(childrenOf(root).count, 2);
    transform = static_cast<nTransform*>(childrenOf(root)[0]);
    EXPECT_EQ(childrenOf(childrenOf(root)[1])[0], childrenOf(transform)[0]);
    EXPECT_EQ(childrenOf(transform)[0]->parent, childrenOf(root)[1]);  // placed last
}

TEST_F(FieldReader, SFNodeKeepsItsValueWhenNothingResults) {
    auto* shape = first<nShape>(
        "Shape { geometry IndexedFaceSet { } geometry NULL geometry Box { size 1 1 1 } geometry USE None "
        "appearance DEF A Appearance { material Material { } } }");
    ASSERT_NE(shape, nullptr);
    ASSERT_NE(shape->geometry.value, nullptr);
    EXPECT_EQ(shape->geometry.value->nodeType, NodeType::IndexedFaceSet);
    EXPECT_EQ(shape->geometry.value->parent, shape);
    ASSERT_NE(shape->appearance.value, nullptr);
    EXPECT_EQ(shape->appearance.value->name, u"A");
    auto* appearance = static_cast<nAppearance*>(shape->appearance.value);
    ASSERT_NE(appearance->material.value, nullptr);
    EXPECT_EQ(appearance->material.value->parent, appearance);
    EXPECT_EQ(parser->messageCount(), 1);  // Box

    // Only the words DEF and USE are statements: a string "DEF" is a type
    // name, reported, and its skip takes the name after it.
    shape = first<nShape>("Shape { appearance \"DEF\" A Appearance { } }");
    EXPECT_EQ(shape->appearance.value, nullptr);
    EXPECT_EQ(parser->messageCount(), 2);  // 'DEF', then the field name 'Appearance'
}

TEST_F(FieldReader, IncompleteGroupsAreDropped) {
    auto* coordinate = first<nCoordinate>("Coordinate { point [ 1 2 3 4 5 ] }");
    ASSERT_NE(coordinate, nullptr);
    EXPECT_EQ(flat(coordinate->point.value), (std::vector<float>{1, 2, 3}));
    coordinate = first<nCoordinate>("Coordinate { point [ 1 2 ] }");
    EXPECT_TRUE(coordinate->point.value.empty());

    auto* texCoords = first<nTextureCoordinate>("TextureCoordinate { point [ 1 2 3 ] }");
    ASSERT_EQ(texCoords->point.value.count, 1);
    EXPECT_EQ(texCoords->point.value[0].y, 2.0f);

    auto* orientation = first<nOrientationInterpolator>("OrientationInterpolator { keyValue [ 0 1 0 1.5 0 0 1 ] }");
    ASSERT_EQ(orientation->keyValue.value.count, 1);
    EXPECT_EQ(orientation->keyValue.value[0].angle, 1.5f);

    auto* colours = first<nColorInterpolator>("ColorInterpolator { keyValue [ 1 0 0 0 1 ] }");
    ASSERT_EQ(colours->keyValue.value.count, 1);
    EXPECT_EQ(colours->keyValue.value[0].r, 1.0f);
}

TEST_F(FieldReader, EndOfInputClosesAValue) {
    X3DNode* root = parse("Coordinate { point [ 1 2 3 4 5 6");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(flat(static_cast<nCoordinate*>(childrenOf(root)[0])->point.value), (std::vector<float>{1, 2, 3, 4, 5, 6}));

    for (const char* world : {"Transform { translation 1", "Transform { children [ Shape {", "Shape { geometry",
                              "Transform { rotation", "Viewpoint { description", "DEF", "USE", "ROUTE a.b TO"}) {
        SCOPED_TRACE(world);
        releaseNodeRegistry();
        parse(world);  // returns; whether a node resulted depends on the cut
    }
    releaseNodeRegistry();
    root = parse("Transform { translation 1");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(static_cast<nTransform*>(childrenOf(root)[0])->translation.value.z, 1.0f);
}

TEST_F(FieldReader, LongListsGrowTheScratchListGeometrically) {
    std::string world = "Coordinate { point [";
    const int points = 20000;
    for (int i = 0; i < points; ++i) {
        world += ' ';
        world += std::to_string(i);
        world += " 0.5 -1";
    }
    world += " ] }";
    auto* coordinate = first<nCoordinate>(world);
    ASSERT_NE(coordinate, nullptr);
    ASSERT_EQ(coordinate->point.value.count, points);
    EXPECT_EQ(coordinate->point.value.capacity, points);  // sized once
    EXPECT_EQ(coordinate->point.value[points - 1].x, static_cast<float>(points - 1));
    EXPECT_EQ(parser->numberList.count, 3 * points);
    // Geometric growth from 100: 100, 200, 400, ... the first capacity that holds
    // every number.
    int32_t capacity = 100;
    while (capacity < 3 * points) capacity *= 2;
    EXPECT_EQ(parser->numberList.capacity, capacity);
}

}  // namespace
