#include "vrml/load_world.h"

#include <new>

#include "scene/node_registry.h"
#include "vrml/inline_loader.h"

std::unique_ptr<Scene> loadWorld(VrmlParser& parser, const std::u16string& name) {
    const int32_t firstNode = nodeRegistry.count;
    X3DNode* root = parser.parseWorld(name);
    if (!root) return nullptr;
    const int32_t endNode = nodeRegistry.count;
    std::unique_ptr<Scene> scene(new (std::nothrow) Scene(parser.nodeFactory()));
    if (!scene) return nullptr;
    scene->profile = parser.profile();
    scene->setWorldName(name);
    scene->setRoot(root);
    // After the root is set up: the bindable nodes of inlined files are not
    // bound at the start.
    if (parser.profile() == Profile::Full) loadInlines(parser, name, firstNode, endNode);
    return scene;
}
