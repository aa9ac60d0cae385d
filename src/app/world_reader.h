// The reader a profile reads worlds with, and what the core profile says
// about the node types it skipped.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/profile.h"
#include "vrml/parser.h"

// A reader for one load: the core factory (createNode) or the full one
// (createNodeFull), the application's stream opener, and the profile's
// reading rules. Null when memory cannot be had.
std::unique_ptr<VrmlParser> makeWorldReader(Profile profile);

// The one line the core profile writes after loading a world that names node
// types the full profile would draw:
//   "viewer: this world uses node types that only --profile full draws: Box, Switch"
// (each such type of refusedTypes once, in its order, without a line break).
// Empty when refusedTypes holds none of them, and always for the full profile.
std::string fullProfileNotice(Profile profile, const std::vector<int32_t>& refusedTypes);
