// Running the built viewer as a program, and reading back its screenshots.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/temp_dir.h"

struct ViewerRun {
    int exitCode = -1;  // 128 + signal when it did not exit normally
    std::string out;
    std::string err;
};

// Runs the viewer with the arguments, standard output and error captured in
// files of dir. Environment entries in overrides replace (or, with an empty
// value, remove) the inherited ones. A workingDir that is not empty is the
// viewer's working folder.
ViewerRun runViewer(const TempDir& dir, const std::vector<std::string>& args,
                    const std::map<std::string, std::string>& overrides = {}, const std::string& workingDir = "");
// The same, and the signal is sent to the viewer once it has run for the
// given milliseconds.
ViewerRun runViewerThenSignal(const TempDir& dir, const std::vector<std::string>& args, int signal,
                              int afterMilliseconds);
// The same, the viewer's address space limited to the bytes (ulimit -v).
ViewerRun runViewerInAddressSpace(const TempDir& dir, const std::vector<std::string>& args, uint64_t bytes);

// Reads a PNG as 8-bit RGB; false when it cannot be read.
bool readPng(const std::string& path, int& width, int& height, std::vector<uint8_t>* rgb = nullptr);
