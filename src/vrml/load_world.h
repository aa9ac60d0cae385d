// loadWorld: the one way a world becomes a Scene.
#pragma once

#include <memory>
#include <string>

#include "scene/scene.h"
#include "vrml/parser.h"

// Reads the world (file or URL) with the parser and wraps it in a new Scene
// made with the parser's node factory and profile, its name split and its
// root set up; null when the world cannot be opened or holds no node. With
// the full profile the world's Inlines are read then (vrml/inline_loader.h),
// after the first bindable nodes are bound.
std::unique_ptr<Scene> loadWorld(VrmlParser& parser, const std::u16string& name);
