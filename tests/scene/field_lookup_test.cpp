// Field-name lookup (the "set_" and "_changed" rules), findField, field
// registration and addRoute.
#include <gtest/gtest.h>

#include <string>

#include "scene/field_codes.h"
#include "scene/fields.h"
#include "scene/geometry_nodes.h"
#include "scene/grouping_nodes.h"
#include "scene/interpolator_nodes.h"
#include "scene/name_tables.h"
#include "scene/sensor_nodes.h"
#include "scene_test_support.h"

namespace {

TEST(FieldLookup, NamesFromFilesAndRoutes) {
    struct Case {
        std::u16string_view name;
        int32_t code;
    };
    const Case cases[] = {
        {kFieldNames[0], 0},               // the placeholder matches itself, which is "none"
        {u"", 0},
        {u"set_", 0},                      // nothing after the prefix
        {u"_changed", 0},                  // eight characters: no name before the suffix
        {u"x_changed", 0},                 // nine: looked up as "x", which is no name
        {u"on_changed", 24},
        {u"set_on", 24},
        {u"translation", 12},
        {u"set_translation", 12},
        {u"translation_changed", 12},
        {u"set_bind", 82},                 // held by the table itself
        {u"set_fraction", 59},
        {u"set_coordIndex", 71},
        {u"fraction_changed", 46},
        {u"value_changed", 62},
        {u"position_changed", 36},
        {u"center_changed", 8},
        {u"set_center_changed", 0},        // only the "set_" rule is tried
        {u"set_value_changed", 62},        // the rest is a name of the table
        {u"set_set_bind", 82},
        {u"_changed_changed", 0},
        {u"Children", 0},                  // case-sensitive
        {u"CHILDREN", 0},
        {u"Set_translation", 0},
        {u"translation_Changed", 0},
        {u"children ", 0},
        {std::u16string_view(u"children\0", 9), 0},
        {u"point", 21},                    // repeated names: the first entry
        {u"keyValue", 61},
        {u"orientation", 53},
        {u"scale", 10},
        {u"size", 33},
        {u"ambientIntensity", 104},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lookupFieldCode(c.name), c.code) << std::string(c.name.begin(), c.name.end());
    }
    // Every name of the table finds its first occurrence.
    for (int32_t code = 1; code < kFieldNameCount; ++code) {
        int32_t expected = 1;
        while (kFieldNames[expected] != kFieldNames[code]) ++expected;
        EXPECT_EQ(lookupFieldCode(kFieldNames[code]), expected) << code;
    }
    const std::u16string huge(100000, u'a');
    EXPECT_EQ(lookupFieldCode(huge), 0);
    EXPECT_EQ(lookupFieldCode(u"set_" + huge + u"_changed"), 0);
}

TEST(FieldLookup, FindFieldOnNodes) {
    nTransform transform;
    EXPECT_EQ(transform.findField(u"children"), &transform.children);
    EXPECT_EQ(transform.findField(u"Children"), nullptr);
    EXPECT_EQ(transform.findField(u"set_translation"), &transform.translation);
    EXPECT_EQ(transform.findField(u"translation_changed"), &transform.translation);
    EXPECT_EQ(transform.findField(u"set_scale"), &transform.scale);
    EXPECT_EQ(transform.findField(kFieldNames[0]), nullptr);
    EXPECT_EQ(transform.findField(u"spine"), nullptr);       // a known name no Transform has
    EXPECT_EQ(transform.findField(u"noSuchField"), nullptr);

    nTimeSensor timer;
    EXPECT_EQ(timer.findField(u"fraction_changed"), &timer.fraction_changed);
    EXPECT_EQ(timer.findField(u"set_startTime"), &timer.startTime);
    EXPECT_EQ(timer.findField(u"isActive"), &timer.isActive);

    nScalarInterpolator scalar;
    EXPECT_EQ(scalar.findField(u"set_fraction"), &scalar.set_fraction);
    EXPECT_EQ(scalar.findField(u"value_changed"), &scalar.value_changed);
    EXPECT_EQ(scalar.findField(u"keyValue"), &scalar.keyValue);

    nIndexedFaceSet mesh;
    EXPECT_EQ(mesh.findField(u"set_coordIndex"), &mesh.set_coordIndex);  // its own field
    EXPECT_EQ(mesh.findField(u"coordIndex"), &mesh.coordIndex);
}

TEST(FieldLookup, LaterRegistrationReplacesEarlier) {
    Journal journal;
    RecordingNode node(&journal);
    fSFFloat first(&node, FieldCode::speed, 1.0f);
    EXPECT_EQ(node.findField(u"speed"), &first);
    fSFFloat second(&node, FieldCode::speed, 2.0f);
    EXPECT_EQ(node.findField(u"speed"), &second);
    EXPECT_EQ(node.fields.size(), 1u);
    EXPECT_EQ(first.owner, &node);
    EXPECT_EQ(second.nameCode, FieldCode::speed);
    EXPECT_EQ(second.type, FieldType::SFFloat);
    EXPECT_EQ(second.routes.count, 0);
    EXPECT_EQ(second.routes.items, nullptr);

    fSFFloat orphan(nullptr, FieldCode::speed, 3.0f);  // no owner: registered nowhere
    orphan.setValue(4.0f);
    EXPECT_EQ(orphan.value, 4.0f);
    EXPECT_TRUE(journal.empty());
}

TEST(AddRoute, MakesRoutesOnlyBetweenExistingFields) {
    nTimeSensor timer;
    nPositionInterpolator mover;
    nTransform transform;

    EXPECT_FALSE(addRoute(nullptr, u"fraction_changed", &mover, u"set_fraction"));
    EXPECT_FALSE(addRoute(&timer, u"fraction_changed", nullptr, u"set_fraction"));
    EXPECT_FALSE(addRoute(nullptr, u"fraction_changed", nullptr, u"set_fraction"));
    EXPECT_FALSE(addRoute(&timer, u"fractionChanged", &mover, u"set_fraction"));
    EXPECT_FALSE(addRoute(&timer, u"fraction_changed", &mover, u"Set_fraction"));
    EXPECT_FALSE(addRoute(&timer, u"", &mover, u""));
    EXPECT_FALSE(addRoute(&timer, u"fraction_changed", &mover, u"translation"));  // not a field of mover
    for (const X3DNode* node : {static_cast<X3DNode*>(&timer), static_cast<X3DNode*>(&mover),
                                static_cast<X3DNode*>(&transform)}) {
        for (const auto& entry : node->fields) EXPECT_EQ(entry.second->routes.count, 0);
    }

    ASSERT_TRUE(addRoute(&timer, u"fraction_changed", &mover, u"set_fraction"));
    ASSERT_TRUE(addRoute(&mover, u"value_changed", &transform, u"set_translation"));
    ASSERT_EQ(timer.fraction_changed.routes.count, 1);
    EXPECT_EQ(timer.fraction_changed.routes[0], &mover.set_fraction);
    EXPECT_EQ(mover.value_changed.routes[0], &transform.translation);

    // The same pair twice is two routes.
    ASSERT_TRUE(addRoute(&timer, u"fraction_changed", &mover, u"set_fraction"));
    EXPECT_EQ(timer.fraction_changed.routes.count, 2);

    // Between different classes the route is made; delivery skips it.
    EXPECT_TRUE(addRoute(&timer, u"fraction_changed", &transform, u"translation"));
    EXPECT_TRUE(addRoute(&timer, u"time", &transform, u"children"));
    timer.time.setValue(12.0);
    EXPECT_EQ(transform.children.value.count, 0);

    // The values travel through the real catalogue classes.
    mover.value_changed.value = Vec3f{1.0f, 2.0f, 3.0f};
    mover.value_changed.propagate();
    EXPECT_EQ(transform.translation.value.y, 2.0f);
}

TEST(AddRoute, FailsCleanlyWhenTheRouteListCannotGrow) {
    nTimeSensor timer;
    nScalarInterpolator scalar;
    {
        AllocatorLimit noMemory(0);
        EXPECT_FALSE(addRoute(&timer, u"fraction_changed", &scalar, u"set_fraction"));
    }
    EXPECT_EQ(timer.fraction_changed.routes.count, 0);
    EXPECT_TRUE(addRoute(&timer, u"fraction_changed", &scalar, u"set_fraction"));
}

}  // namespace
