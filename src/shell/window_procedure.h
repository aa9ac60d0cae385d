// The window procedure: turns the shell's stylus and key messages into the
// application's input operations.
#pragma once

#include <cstdint>

#include "app/applet2d.h"
#include "shell/shell_driver.h"
#include "shell/shell_message.h"

// The logical key (0..7) a pressed virtual key stands for, or -1: the eight
// entries of the key list first, then the fixed codes 0xC1..0xC4 and the
// digits 1..4 for A, B, C and Start.
int32_t logicalKeyDown(const KeyList& keys, int32_t key);
// The logical key a released virtual key stands for: the key list only, or -1.
int32_t logicalKeyUp(const KeyList& keys, int32_t key);

// Handles one message:
// - key down: logs "key: " and the key in decimal, then keyDown(logical, key)
//   when the key stands for one;
// - key up: keyUp(logical) for the eight key-list entries only;
// - stylus down, up and move: the matching operation with (x, y);
// - destroy: posts the quit message with exit code 0.
// Input reaches no application while applet is null (start-up). Returns 0.
int32_t windowProcedure(const ShellMessage& message, Applet2D* applet, ShellDriver& driver);
