// Construction, naming, preparation and teardown of the loaded world. The
// per-frame parts of the Scene live with the code that uses them (render/).
#include "scene/scene.h"

#include <new>

#include "raster/rasterizer.h"
#include "scene/bindable_nodes.h"
#include "scene/node.h"
#include "scene/node_registry.h"
#include "scene/node_types.h"

Scene::Scene(NodeFactory factory) {
    defaultViewpoint = static_cast<nViewpoint*>(factory(u"default", NodeType::Viewpoint));
    defaultNavigationInfo = static_cast<nNavigationInfo*>(factory(u"default", NodeType::NavigationInfo));
    defaultBackground = static_cast<nBackground*>(factory(u"default", NodeType::Background));
    // Without memory an array stays null with capacity 0; the drawing code
    // treats that as "no room" and draws nothing rather than failing here.
    rasterVertices.reset(new (std::nothrow) RasterVertex[kInitialVertexCapacity]);
    rasterVertexCapacity = rasterVertices ? kInitialVertexCapacity : 0;
    shades.reset(new (std::nothrow) ShadeEntry[kInitialShadeCapacity]);
    shadeCapacity = shades ? kInitialShadeCapacity : 0;
}

Scene::~Scene() {
    rasterVertices.reset();
    rasterVertexCapacity = 0;
    shades.reset();
    shadeCapacity = 0;
    // The nodes outlive the Scene in the registry; a Viewpoint must not keep
    // pointing at a world that is gone.
    for (X3DNode* node : nodeRegistry) {
        if (node->nodeType != NodeType::Viewpoint) continue;
        auto* viewpoint = static_cast<nViewpoint*>(node);
        if (viewpoint->ownerScene == this) viewpoint->ownerScene = nullptr;
    }
    defaultViewpoint = nullptr;
    defaultNavigationInfo = nullptr;
    defaultBackground = nullptr;
    boundViewpoint = previousViewpoint = nullptr;
    boundNavigationInfo = nullptr;
    boundBackground = nullptr;
    root = nullptr;
}

void Scene::setWorldName(const std::u16string& name) {
    const std::size_t slash = name.rfind(u'/');
    if (slash == std::u16string::npos) {
        baseDirectory.clear();
        fileName = name;
        return;
    }
    baseDirectory = name.substr(0, slash + 1);
    fileName = name.substr(slash + 1);
}

void Scene::initNodes() {
    // prepare may make nodes (and so move the registry's storage): the count
    // and the entry are read afresh on every pass.
    for (int32_t i = 0; i < nodeRegistry.count; ++i) nodeRegistry[i]->prepare(this);
}

void Scene::attachRasterizer(Rasterizer* target) {
    rasterizer = target;
    if (!target) return;
    screenWidth = static_cast<float>(target->targetWidth);
    screenHeight = static_cast<float>(target->targetHeight);
    // Halved as integers first, so an odd width keeps the centre on a pixel.
    screenHalfWidth = static_cast<float>(target->targetWidth >> 1);
    screenHalfHeight = static_cast<float>(target->targetHeight >> 1);
}
