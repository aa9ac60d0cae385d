// Field-name codes (indexes into the field-name table) under which the fields
// of the catalogue are registered: one constant per code in use. Where the
// table holds a name twice, the constant is the first entry, the one that
// lookup returns.
#pragma once

#include <cstdint>

namespace FieldCode {
inline constexpr int32_t children = 1;
inline constexpr int32_t description = 2;
inline constexpr int32_t parameter = 3;
inline constexpr int32_t url = 4;
inline constexpr int32_t bboxCenter = 5;
inline constexpr int32_t bboxSize = 6;
inline constexpr int32_t center = 8;
inline constexpr int32_t rotation = 9;
inline constexpr int32_t scale = 10;
inline constexpr int32_t scaleOrientation = 11;
inline constexpr int32_t translation = 12;
inline constexpr int32_t material = 13;
inline constexpr int32_t texture = 14;
inline constexpr int32_t loop = 15;
inline constexpr int32_t startTime = 16;
inline constexpr int32_t stopTime = 17;
inline constexpr int32_t skyColor = 19;
inline constexpr int32_t isBound = 20;
inline constexpr int32_t point = 21;
inline constexpr int32_t direction = 22;
inline constexpr int32_t intensity = 23;
inline constexpr int32_t on = 24;
inline constexpr int32_t diffuseColor = 27;
inline constexpr int32_t avatarSize = 28;
inline constexpr int32_t headlight = 29;
inline constexpr int32_t speed = 30;
inline constexpr int32_t type = 31;
inline constexpr int32_t visibilityLimit = 32;
inline constexpr int32_t size = 33;
inline constexpr int32_t enabled = 34;
inline constexpr int32_t isActive = 35;
inline constexpr int32_t position_changed = 36;
inline constexpr int32_t orientation_changed = 37;
inline constexpr int32_t appearance = 40;
inline constexpr int32_t geometry = 41;
inline constexpr int32_t cycleInterval = 44;
inline constexpr int32_t cycleTime = 45;
inline constexpr int32_t fraction_changed = 46;
inline constexpr int32_t time = 47;
inline constexpr int32_t hitPoint_changed = 48;
inline constexpr int32_t isOver = 49;
inline constexpr int32_t touchTime = 50;
inline constexpr int32_t fieldOfView = 51;
inline constexpr int32_t jump = 52;
inline constexpr int32_t orientation = 53;
inline constexpr int32_t position = 54;
inline constexpr int32_t bindTime = 55;
inline constexpr int32_t set_fraction = 59;
inline constexpr int32_t key = 60;
inline constexpr int32_t keyValue = 61;
inline constexpr int32_t value_changed = 62;
inline constexpr int32_t set_coordIndex = 71;
inline constexpr int32_t set_texCoordIndex = 72;
inline constexpr int32_t coord = 73;
inline constexpr int32_t texCoord = 74;
inline constexpr int32_t ccw = 75;
inline constexpr int32_t coordIndex = 76;
inline constexpr int32_t creaseAngle = 77;
inline constexpr int32_t solid = 78;
inline constexpr int32_t texCoordIndex = 79;
inline constexpr int32_t transparency = 80;
inline constexpr int32_t set_bind = 82;
inline constexpr int32_t emissiveColor = 83;
inline constexpr int32_t color = 103;
inline constexpr int32_t ambientIntensity = 104;
// Names used by the full profile's nodes only.
inline constexpr int32_t axisOfRotation = 7;
inline constexpr int32_t level = 25;
inline constexpr int32_t range = 26;
inline constexpr int32_t choice = 42;
inline constexpr int32_t whichChoice = 43;
inline constexpr int32_t info = 56;
inline constexpr int32_t title = 57;
inline constexpr int32_t height = 84;
inline constexpr int32_t xDimension = 85;
inline constexpr int32_t xSpacing = 86;
inline constexpr int32_t zDimension = 87;
inline constexpr int32_t zSpacing = 88;
inline constexpr int32_t beginCap = 89;
inline constexpr int32_t crossSection = 90;
inline constexpr int32_t endCap = 91;
inline constexpr int32_t spine = 92;
inline constexpr int32_t radius = 105;
inline constexpr int32_t bottomRadius = 106;
inline constexpr int32_t side = 107;
inline constexpr int32_t bottom = 108;
inline constexpr int32_t top = 109;
inline constexpr int32_t normal = 110;
inline constexpr int32_t colorIndex = 111;
inline constexpr int32_t colorPerVertex = 112;
inline constexpr int32_t normalIndex = 113;
inline constexpr int32_t normalPerVertex = 114;
inline constexpr int32_t convex = 115;
inline constexpr int32_t collide = 116;
inline constexpr int32_t proxy = 117;
inline constexpr int32_t collideTime = 118;
inline constexpr int32_t attenuation = 119;
inline constexpr int32_t location = 120;
inline constexpr int32_t beamWidth = 121;
inline constexpr int32_t cutOffAngle = 122;
inline constexpr int32_t shininess = 123;
inline constexpr int32_t specularColor = 124;
inline constexpr int32_t vector = 125;
inline constexpr int32_t image = 126;
inline constexpr int32_t repeatS = 127;
inline constexpr int32_t repeatT = 128;
inline constexpr int32_t textureTransform = 129;
}  // namespace FieldCode
