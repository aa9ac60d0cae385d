// The --check mode: load a world without a display and say what the reader
// made of it.
#pragma once

#include <ostream>
#include <string>

#include "scene/profile.h"

// Loads the world (a file path or an http:// URL, used as given) and writes to
// out each reader message as it is logged, one per line, then exactly
// "world loaded: N nodes, R routes" (N nodes in the node registry, the root and
// the three default bindable nodes included; R routes made) or
// "world not loaded". Returns 0 when a Scene was made, 1 when not. The log is
// the caller's to open; the nodes stay in the registry. The world is read
// with the profile; the core profile's notice of the types only the full
// profile draws (app/world_reader.h) goes to *notice, when given, as a line
// of its own after loading.
int checkWorld(const std::string& world, std::ostream& out, Profile profile = Profile::Core,
               std::ostream* notice = nullptr);
