// The frame loop shared by both drivers.
#pragma once

#include <cstdint>

#include "app/applet2d.h"
#include "shell/shell_driver.h"

// Runs frames back to back without waiting. After each frame it drains the
// pending stylus messages, then the pending key messages, then takes at most
// one other message: the quit message ends the loop, anything else goes to
// the window procedure. Returns the quit message's exit code, or 0 once
// frameLimit frames have run (a negative limit runs until quit; 0 runs none),
// or 128 + the signal when SIGINT or SIGTERM arrived (checked before each
// frame).
int32_t runFrameLoop(Applet2D& applet, ShellDriver& driver, int64_t frameLimit);
