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

// The node-name table goes on past the core types with the types that only
// the full profile builds: entry i here has NodeType code kNodeNameCount + i.
inline constexpr std::u16string_view kFullNodeNames[] = {
    u"Box",
    u"Sphere",
    u"Cone",
    u"Cylinder",
    u"Collision",
    u"PointLight",
    u"SpotLight",
    u"Normal",
    u"Color",
    u"PixelTexture",
    u"TextureTransform",
};
inline constexpr int32_t kFullNodeNameCount = static_cast<int32_t>(std::size(kFullNodeNames));
static_assert(kFullNodeNameCount == 11, "the full profile adds 11 node names");

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

// The field-name table goes on with the names that only the full profile's
// nodes use: entry i here has field-name code kFieldNameCount + i. Event
// names such as "set_height" are not entries: lookup finds the field by the
// name without its "set_" prefix.
inline constexpr std::u16string_view kFullFieldNames[] = {
    u"radius",
    u"bottomRadius",
    u"side",
    u"bottom",
    u"top",
    u"normal",  // 110
    u"colorIndex",
    u"colorPerVertex",
    u"normalIndex",
    u"normalPerVertex",
    u"convex",
    u"collide",
    u"proxy",
    u"collideTime",
    u"attenuation",
    u"location",  // 120
    u"beamWidth",
    u"cutOffAngle",
    u"shininess",
    u"specularColor",
    u"vector",
    u"image",
    u"repeatS",
    u"repeatT",
    u"textureTransform",
    u"groundAngle",  // 130
    u"groundColor",
    u"skyAngle",
};
inline constexpr int32_t kFullFieldNameCount = static_cast<int32_t>(std::size(kFullFieldNames));
static_assert(kFullFieldNameCount == 28, "the full profile adds 28 field names");

// The name of a node-type code or a field-name code of either part of the
// tables; the placeholder (entry 0) for a code outside both.
constexpr std::u16string_view nodeTypeName(int32_t code) {
    if (code >= 0 && code < kNodeNameCount) return kNodeNames[code];
    if (code >= kNodeNameCount && code < kNodeNameCount + kFullNodeNameCount) return kFullNodeNames[code - kNodeNameCount];
    return kNodeNames[0];
}
constexpr std::u16string_view fieldName(int32_t code) {
    if (code >= 0 && code < kFieldNameCount) return kFieldNames[code];
    if (code >= kFieldNameCount && code < kFieldNameCount + kFullFieldNameCount) return kFullFieldNames[code - kFieldNameCount];
    return kFieldNames[0];
}
inline constexpr int32_t kAllNodeNameCount = kNodeNameCount + kFullNodeNameCount;
inline constexpr int32_t kAllFieldNameCount = kFieldNameCount + kFullFieldNameCount;

