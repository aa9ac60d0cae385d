// NodeType codes (indexes into the node-name table) and the family codes that
// every node carries in `category`.
#pragma once

#include <cstdint>

namespace NodeType {
inline constexpr int32_t Transform = 1;
inline constexpr int32_t Group = 2;
inline constexpr int32_t Anchor = 3;
inline constexpr int32_t Billboard = 4;
inline constexpr int32_t Appearance = 5;
inline constexpr int32_t AudioClip = 6;
inline constexpr int32_t Background = 7;
inline constexpr int32_t Coordinate = 8;
inline constexpr int32_t DirectionalLight = 9;
inline constexpr int32_t ImageTexture = 10;
inline constexpr int32_t Inline = 11;
inline constexpr int32_t LOD = 12;
inline constexpr int32_t Material = 13;
inline constexpr int32_t NavigationInfo = 14;
inline constexpr int32_t ProximitySensor = 15;
inline constexpr int32_t Shape = 16;
inline constexpr int32_t Switch = 17;
inline constexpr int32_t TimeSensor = 18;
inline constexpr int32_t TouchSensor = 19;
inline constexpr int32_t Viewpoint = 20;
inline constexpr int32_t VisibilitySensor = 21;
inline constexpr int32_t WorldInfo = 22;
inline constexpr int32_t TextureCoordinate = 23;
inline constexpr int32_t Sound = 24;
inline constexpr int32_t ColorInterpolator = 25;
inline constexpr int32_t CoordinateInterpolator = 26;
inline constexpr int32_t OrientationInterpolator = 27;
inline constexpr int32_t PositionInterpolator = 28;
inline constexpr int32_t ScalarInterpolator = 29;
inline constexpr int32_t IndexedFaceSet = 30;
inline constexpr int32_t IndexedLineSet = 31;
inline constexpr int32_t PointSet = 32;
inline constexpr int32_t ElevationGrid = 33;
inline constexpr int32_t Extrusion = 34;
inline constexpr int32_t Text = 35;
inline constexpr int32_t FontStyle = 36;
// The full profile's own types.
inline constexpr int32_t Box = 37;
inline constexpr int32_t Sphere = 38;
inline constexpr int32_t Cone = 39;
inline constexpr int32_t Cylinder = 40;
inline constexpr int32_t Collision = 41;
inline constexpr int32_t PointLight = 42;
inline constexpr int32_t SpotLight = 43;
inline constexpr int32_t Normal = 44;
inline constexpr int32_t Color = 45;
inline constexpr int32_t PixelTexture = 46;
inline constexpr int32_t TextureTransform = 47;
}  // namespace NodeType

// A node's family; the frame code picks sensors (and the binding code picks
// grouping and bindable nodes) by it.
namespace NodeCategory {
inline constexpr int32_t Bindable = 0;
inline constexpr int32_t Geometry = 1;
inline constexpr int32_t Grouping = 2;
inline constexpr int32_t Interpolator = 3;
inline constexpr int32_t Sensor = 4;
inline constexpr int32_t Light = 5;
inline constexpr int32_t Other = 6;
}  // namespace NodeCategory
