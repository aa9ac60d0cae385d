#include "events/full_node_factory.h"

#include <memory>
#include <new>

#include "events/node_factory.h"
#include "scene/elevation_grid.h"
#include "scene/extrusion.h"
#include "scene/line_nodes.h"
#include "scene/node.h"
#include "scene/full_background.h"
#include "scene/full_grouping_nodes.h"
#include "scene/full_surface_nodes.h"
#include "scene/full_texture_nodes.h"
#include "scene/node_types.h"
#include "scene/primitive_nodes.h"
#include "scene/world_nodes.h"

namespace {

// The node of a full-profile-only class for code, or null for any other
// code. May throw std::bad_alloc.
std::unique_ptr<X3DNode> constructFullNode(int32_t code) {
    switch (code) {
        // --- grouping and world nodes ---
        case NodeType::WorldInfo: return std::make_unique<nWorldInfo>();
        case NodeType::Inline: return std::make_unique<nInline>();
        case NodeType::Background: return std::make_unique<nBackgroundFull>();
        case NodeType::Switch: return std::make_unique<nSwitch>();
        case NodeType::LOD: return std::make_unique<nLOD>();
        case NodeType::Collision: return std::make_unique<nCollision>();
        case NodeType::Billboard: return std::make_unique<nBillboard>();
        // textures
        case NodeType::Appearance: return std::make_unique<nAppearanceFull>();
        case NodeType::ImageTexture: return std::make_unique<nImageTextureFull>();
        case NodeType::PixelTexture: return std::make_unique<nPixelTexture>();
        case NodeType::TextureTransform: return std::make_unique<nTextureTransform>();

        // --- geometry ---
        case NodeType::Box: return std::make_unique<nBox>();
        case NodeType::Sphere: return std::make_unique<nSphere>();
        case NodeType::Cone: return std::make_unique<nCone>();
        case NodeType::Cylinder: return std::make_unique<nCylinder>();
        case NodeType::ElevationGrid: return std::make_unique<nElevationGrid>();
        case NodeType::Extrusion: return std::make_unique<nExtrusion>();
        case NodeType::IndexedLineSet: return std::make_unique<nIndexedLineSet>();
        case NodeType::PointSet: return std::make_unique<nPointSet>();

        // --- lights and surfaces ---
        case NodeType::PointLight: return std::make_unique<nPointLight>();
        case NodeType::SpotLight: return std::make_unique<nSpotLight>();
        case NodeType::Material: return std::make_unique<nFullMaterial>();
        case NodeType::Normal: return std::make_unique<nNormal>();
        case NodeType::Color: return std::make_unique<nColor>();
        case NodeType::IndexedFaceSet: return std::make_unique<nFullIndexedFaceSet>();

        default: return nullptr;
    }
}

}  // namespace

X3DNode* createNodeFull(std::u16string_view name, int32_t code) {
    std::unique_ptr<X3DNode> node;
    try {
        node = constructFullNode(code);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (!node) return createNode(name, code);
    try {
        return registerNewNode(std::move(node), name, code);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool fullProfileOnly(int32_t code) {
    switch (code) {
        case NodeType::Billboard:
        case NodeType::Inline:
        case NodeType::LOD:
        case NodeType::Switch:
        case NodeType::IndexedLineSet:
        case NodeType::PointSet:
        case NodeType::ElevationGrid:
        case NodeType::Extrusion:
        case NodeType::Box:
        case NodeType::Sphere:
        case NodeType::Cone:
        case NodeType::Cylinder:
        case NodeType::Collision:
        case NodeType::PointLight:
        case NodeType::SpotLight:
        case NodeType::Normal:
        case NodeType::Color:
        case NodeType::PixelTexture:
        case NodeType::TextureTransform: return true;
        default: return false;
    }
}
