// --check: load the world only, with no display.
#pragma once

#include <ostream>
#include <string>

// Loads the world (a file or http:// URL), prints the reader's messages and
// then "world loaded: N nodes, R routes" or "world not loaded" to out.
// Returns the exit code: 0 when a world was made, 1 when not.
int checkWorld(const std::string& worldName, std::ostream& out);
