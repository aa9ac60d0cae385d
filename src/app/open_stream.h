// openStream: the world's and the images' way from a name to bytes. Files
// and http:// URLs both read ahead in blocks of 8192 bytes so that the
// per-byte read stays cheap.
#pragma once

#include <memory>
#include <string>

#include "base/input_stream.h"

// Opens a URL stream when the name begins with exactly "http://", else a file
// stream. Returns null when the source cannot be opened; writes no message.
// The name is used as given (no base directory is prefixed); names longer than
// 255 characters are cut to 255 first.
std::unique_ptr<InputStream> openStream(const std::string& name);
