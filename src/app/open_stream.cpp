#include "app/open_stream.h"

#include "app/file_input_stream.h"
#include "app/gzip_input_stream.h"
#include "app/url_input_stream.h"

namespace {
constexpr std::size_t kMaxNameLength = 255;

bool beginsWith(const std::string& name, const char* prefix, std::size_t length) {
    return name.compare(0, length, prefix) == 0;
}
}  // namespace

std::unique_ptr<InputStream> openStream(const std::string& name) {
    const std::string cut = name.substr(0, kMaxNameLength);
    const bool url = beginsWith(cut, "http://", 7) || beginsWith(cut, "https://", 8);
    std::unique_ptr<PeekableStream> source;
    if (url) source = openUrlStream(cut);
    else source = FileInputStream::open(cut);
    if (!source) return nullptr;
    // Compressed or not is told by the bytes, never by the name: servers and
    // collections serve gzip under ".wrl" too.
    unsigned char head[2];
    if (!hasGzipSignature(head, source->peek(head, 2))) return source;
    return GzipInputStream::create(std::move(source), cut);
}
