// The headless driver's scripted input: one event per line,
//   FRAME down X Y | FRAME move X Y | FRAME up X Y       stylus, display pixels
//   FRAME key NAME | FRAME release NAME                  NAME: up down left right
//                                                        a b c start, or a
//                                                        virtual-key number
//   FRAME quit                                           the window is closed
// FRAME counts from 1. Blank lines and lines starting with # are skipped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shell/shell_message.h"

struct ScriptEvent {
    int64_t frame = 0;  // the event becomes pending after this frame
    ShellMessage message;
};

struct InputScript {
    std::vector<ScriptEvent> events;  // in file order
    int32_t errorLine = 0;            // 0 when the whole script was read
    std::string error;                // what was wrong with errorLine
};

// Reads a script. Numbers are decimal (a virtual-key number may also be
// 0x-prefixed hex); X and Y are 0..65535, virtual keys 0..65535, frames from
// 1. The first malformed line stops reading: errorLine and error say which
// and why, and events is empty.
InputScript parseInputScript(const std::string& text, const KeyList& keys);
