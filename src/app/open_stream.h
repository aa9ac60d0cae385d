// openStream: the world's and the images' way from a name to bytes. Files
// and http:// and https:// URLs all read ahead in blocks of 8192 bytes so
// that the per-byte read stays cheap.
#pragma once

#include <memory>
#include <string>

#include "base/input_stream.h"

// Opens a URL stream when the name begins with exactly "http://" or
// "https://" (case-sensitive), else a file stream. When the first two bytes
// are the gzip signature (1F 8B), whatever the name, the stream hands out the
// inflated bytes instead (GzipInputStream: cut at 256 MiB, ended early by a
// damaged stream). Returns null when the source cannot be opened; writes no
// message, except the reason for an https:// URL that fails (standard error).
// The name is used as given (no base directory is prefixed); names longer
// than 255 characters are cut to 255 first.
std::unique_ptr<InputStream> openStream(const std::string& name);

// What the last openStream learnt of its source, for the message of a world
// that could not be loaded: why it failed ("No such file or directory", "is a
// folder", libcurl's reason), empty after a success; and the HTTP status of a
// URL's answer (0 for files), which may be an error page read like any body.
struct OpenReport {
    std::string failure;
    long httpStatus = 0;
};
const OpenReport& lastOpenReport();
