#include <new>

#include "scene/scene.h"
#include "vrml/parser.h"

std::unique_ptr<Scene> loadWorld(VrmlParser& parser, const std::u16string& name) {
    X3DNode* root = parser.parseWorld(name);
    if (!root) return nullptr;
    std::unique_ptr<Scene> scene(new (std::nothrow) Scene());
    if (!scene) return nullptr;
    scene->setWorldName(name);
    scene->setRoot(root);
    return scene;
}
