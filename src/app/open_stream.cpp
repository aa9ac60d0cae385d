#include "app/open_stream.h"

#include "app/file_input_stream.h"
#include "app/url_input_stream.h"

namespace {
constexpr std::size_t kMaxNameLength = 255;
}

std::unique_ptr<InputStream> openStream(const std::string& name) {
    const std::string cut = name.substr(0, kMaxNameLength);
    if (cut.compare(0, 7, "http://") == 0) return openUrlStream(cut);
    return FileInputStream::open(cut);
}
