#include "vrml/load_world.h"

#include <new>

std::unique_ptr<Scene> loadWorld(VrmlParser& parser, const std::u16string& name) {
    X3DNode* root = parser.parseWorld(name);
    if (!root) return nullptr;
    std::unique_ptr<Scene> scene(new (std::nothrow) Scene(parser.nodeFactory()));
    if (!scene) return nullptr;
    scene->setWorldName(name);
    scene->setRoot(root);
    return scene;
}
