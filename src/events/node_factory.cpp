#include "events/node_factory.h"

#include <memory>
#include <new>

#include "scene/bindable_nodes.h"
#include "scene/geometry_nodes.h"
#include "scene/grouping_nodes.h"
#include "scene/interpolator_nodes.h"
#include "scene/light_nodes.h"
#include "scene/factory.h"
#include "scene/node_types.h"
#include "scene/sensor_nodes.h"
#include "scene/shape_nodes.h"

namespace {

// The node of the class for code, or null for a code without a class. May
// throw std::bad_alloc.
std::unique_ptr<X3DNode> constructNode(int32_t code) {
    switch (code) {
        case NodeType::Transform: return std::make_unique<nTransform>();
        case NodeType::Group: return std::make_unique<nGroup>();
        case NodeType::Anchor: return std::make_unique<nAnchor>();
        case NodeType::Appearance: return std::make_unique<nAppearance>();
        case NodeType::Background: return std::make_unique<nBackground>();
        case NodeType::Coordinate: return std::make_unique<nCoordinate>();
        case NodeType::DirectionalLight: return std::make_unique<nDirectionalLight>();
        case NodeType::ImageTexture: return std::make_unique<nImageTexture>();
        case NodeType::Material: return std::make_unique<nMaterial>();
        case NodeType::NavigationInfo: return std::make_unique<nNavigationInfo>();
        case NodeType::ProximitySensor: return std::make_unique<nProximitySensor>();
        case NodeType::Shape: return std::make_unique<nShape>();
        case NodeType::TimeSensor: return std::make_unique<nTimeSensor>();
        case NodeType::TouchSensor: return std::make_unique<nTouchSensor>();
        case NodeType::Viewpoint: return std::make_unique<nViewpoint>();
        case NodeType::TextureCoordinate: return std::make_unique<nTextureCoordinate>();
        case NodeType::ColorInterpolator: return std::make_unique<nColorInterpolator>();
        case NodeType::CoordinateInterpolator: return std::make_unique<nCoordinateInterpolator>();
        case NodeType::OrientationInterpolator: return std::make_unique<nOrientationInterpolator>();
        case NodeType::PositionInterpolator: return std::make_unique<nPositionInterpolator>();
        case NodeType::ScalarInterpolator: return std::make_unique<nScalarInterpolator>();
        case NodeType::IndexedFaceSet: return std::make_unique<nIndexedFaceSet>();
        default: return nullptr;  // known or unknown, no class: nothing is made
    }
}

}  // namespace

X3DNode* createNode(std::u16string_view name, int32_t code) {
    // The one place where running out of memory is caught: the node (with its
    // fields and registry entries) is released and the caller sees null.
    try {
        return registerNewNode(constructNode(code), name, code);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

X3DNode* createNodeByTypeName(std::u16string_view name, std::u16string_view typeName) {
    const int32_t code = nodeTypeCode(typeName);
    return code < 0 ? nullptr : createNode(name, code);
}
