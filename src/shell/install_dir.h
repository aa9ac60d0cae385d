// Where font.gif, logo.gif and sample.wrl are found.
#pragma once

#include <string>

// The installation directory, always ending in "/": the given folder when not
// empty; else share/orvella/ beside the folder of the executable (the
// installed layout, <prefix>/bin/viewer and <prefix>/share/orvella/) when it
// exists; else the source tree's assets/ folder known from the build.
std::string findInstallDir(const std::string& given, const std::string& executablePath);

// The running program's own path, or empty when it cannot be told.
std::string executablePath();
