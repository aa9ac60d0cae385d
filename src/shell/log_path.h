// Where the log goes when the command line does not say.
#pragma once

#include <string>

// "log.txt" in $XDG_STATE_HOME/orvella/, or in ~/.local/state/orvella/ when
// XDG_STATE_HOME is unset, empty or not absolute. The folder is created when
// missing (a failure shows later as a log that cannot be opened). With neither
// variable usable, "log.txt" in the working folder.
std::string defaultLogPath();
