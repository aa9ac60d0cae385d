// The program: command line, driver, log, application and frame loop.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs the viewer with the arguments after the program name and returns the
// exit code: 0 after the quit message (or the last of --frames), 1 when the
// window cannot be opened or the screenshot cannot be written, 2 for a bad
// command line or input script. Usage and version go to out, errors to err.
int runViewer(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
