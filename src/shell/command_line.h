// The viewer's command line:
//   viewer [OPTIONS] [--] [WORLD]
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/profile.h"

// The number of cores (std::thread::hardware_concurrency), at least 1 and at
// most 64; 1 when it is not known.
int32_t defaultThreads();

struct ViewerOptions {
    int32_t width = 240;  // display size
    int32_t height = 320;
    int32_t zoom = 2;        // desktop window: screen pixels per display pixel
    bool headless = false;
    int64_t frames = -1;     // -1: not given (headless runs 1, the desktop until quit)
    uint32_t frameMs = 40;   // headless virtual milliseconds per frame
    std::string input;       // headless input script
    std::string screenshot;  // PNG written when the program ends
    std::string log;         // log file instead of the default
    std::string installDir;  // installation directory instead of the default
    bool check = false;      // load the world only
    bool overlay = true;     // false (--no-overlay): no frame-rate line, title or logo
    int32_t threads = defaultThreads();  // drawing threads (--threads), 1 .. 64
    Profile profile = Profile::Core;     // --profile core|full
    bool help = false;
    bool version = false;
    std::string world;  // file path, http:// or https:// URL; empty: sample.wrl
};

// Reads the arguments after the program name. Options take their value as the
// next argument or after "=" ("--size 320x240", "--size=320x240"); "--" ends
// the options. False with a one-line message naming the bad option or value.
bool parseCommandLine(const std::vector<std::string>& args, ViewerOptions& options, std::string& error);

// How many frames to run: --frames, else 1 headless and no limit (-1) on the desktop.
int64_t frameLimit(const ViewerOptions& options);

// The usage text, several lines ending in a line break.
std::string usageText();
