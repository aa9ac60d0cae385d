// An http:// resource fetched with libcurl and handed out in blocks of 8192
// bytes.
#pragma once

#include <memory>
#include <string>

#include "base/input_stream.h"

// Opens the URL (connects and receives the response head). Null when the
// resource cannot be reached.
std::unique_ptr<InputStream> openUrlStream(const std::string& url);
