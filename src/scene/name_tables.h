// The two name tables of the node catalogue: the node-name table, whose index
// is the NodeType code, and the field-name table, whose index is the
// field-name code. They are the one place that spells these names; both are
// fixed at compile time and never change.
//
// Entry 0 of each is a placeholder web address that equals no node or field
// name, so code 0 creates nothing and finds nothing. The field-name table
// holds some names more than once; lookup returns the first, so only the first
// code of a repeated name is ever carried by a field.
#pragma once

#include <cstdint>
#include <iterator>
#include <string_view>

// The sizes are deduced from the entries, so the static_asserts catch an entry
// that was lost or added.
inline constexpr std::u16string_view kNodeNames[] = {
    u"http://orvella.invalid/node-types",
    u"Transform",
    u"Group",
    u"Anchor",
    u"Billboard",
    u"Appearance",
    u"AudioClip",
    u"Background",
    u"Coordinate",
    u"DirectionalLight",
    u"ImageTexture",
    u"Inline",
    u"LOD",
    u"Material",
    u"NavigationInfo",
    u"ProximitySensor",
    u"Shape",
    u"Switch",
    u"TimeSensor",
    u"TouchSensor",
    u"Viewpoint",
    u"VisibilitySensor",
    u"WorldInfo",
    u"TextureCoordinate",
    u"Sound",
    u"ColorInterpolator",
    u"CoordinateInterpolator",
    u"OrientationInterpolator",
    u"PositionInterpolator",
    u"ScalarInterpolator",
    u"IndexedFaceSet",
    u"IndexedLineSet",
    u"PointSet",
    u"ElevationGrid",
    u"Extrusion",
    u"Text",
    u"FontStyle",
};
inline constexpr int32_t kNodeNameCount = static_cast<int32_t>(std::size(kNodeNames));
static_assert(kNodeNameCount == 37, "the node-name table has 37 entries");

inline constexpr std::u16string_view kFieldNames[] = {
    u"http://orvella.invalid/field-names",
    u"children",
    u"description",
    u"parameter",
    u"url",
    u"bboxCenter",
    u"bboxSize",
    u"axisOfRotation",
    u"center",
    u"rotation",
    u"scale",  // 10
    u"scaleOrientation",
    u"translation",
    u"material",
    u"texture",
    u"loop",
    u"startTime",
    u"stopTime",
    u"backUrl",
    u"skyColor",
    u"isBound",  // 20
    u"point",
    u"direction",
    u"intensity",
    u"on",
    u"level",
    u"range",
    u"diffuseColor",
    u"avatarSize",
    u"headlight",
    u"speed",  // 30
    u"type",
    u"visibilityLimit",
    u"size",
    u"enabled",
    u"isActive",
    u"position_changed",
    u"orientation_changed",
    u"enterTime",
    u"exitTime",
    u"appearance",  // 40
    u"geometry",
    u"choice",
    u"whichChoice",
    u"cycleInterval",
    u"cycleTime",
    u"fraction_changed",
    u"time",
    u"hitPoint_changed",
    u"isOver",
    u"touchTime",  // 50
    u"fieldOfView",
    u"jump",
    u"orientation",
    u"position",
    u"bindTime",
    u"info",
    u"title",
    u"point",
    u"set_fraction",
    u"key",  // 60
    u"keyValue",
    u"value_changed",
    u"keyValue",
    u"value_changed",
    u"keyValue",
    u"value_changed",
    u"keyValue",
    u"value_changed",
    u"keyValue",
    u"value_changed",  // 70
    u"set_coordIndex",
    u"set_texCoordIndex",
    u"coord",
    u"texCoord",
    u"ccw",
    u"coordIndex",
    u"creaseAngle",
    u"solid",
    u"texCoordIndex",
    u"transparency",  // 80
    u"source",
    u"set_bind",
    u"emissiveColor",
    u"height",
    u"xDimension",
    u"xSpacing",
    u"zDimension",
    u"zSpacing",
    u"beginCap",
    u"crossSection",  // 90
    u"endCap",
    u"spine",
    u"orientation",
    u"scale",
    u"string",
    u"fontStyle",
    u"family",
    u"justify",
    u"leftToRight",
    u"size",  // 100
    u"spacing",
    u"style",
    u"color",
    u"ambientIntensity",
};
inline constexpr int32_t kFieldNameCount = static_cast<int32_t>(std::size(kFieldNames));
static_assert(kFieldNameCount == 105, "the field-name table has 105 entries");
