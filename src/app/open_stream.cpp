#include "app/open_stream.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "app/file_input_stream.h"
#include "app/gzip_input_stream.h"
#include "app/url_input_stream.h"

namespace {
constexpr std::size_t kMaxNameLength = 255;

OpenReport report;

bool beginsWith(const std::string& name, const char* prefix, std::size_t length) {
    return name.compare(0, length, prefix) == 0;
}
}  // namespace

const OpenReport& lastOpenReport() { return report; }

std::unique_ptr<InputStream> openStream(const std::string& name) {
    const std::string cut = name.substr(0, kMaxNameLength);
    const bool url = beginsWith(cut, "http://", 7) || beginsWith(cut, "https://", 8);
    report = OpenReport{};
    std::unique_ptr<PeekableStream> source;
    if (url) {
        source = openUrlStream(cut, &report.failure, &report.httpStatus);
    } else {
        // A folder opens like a file on Linux and then reads nothing: say so.
        struct stat status {};
        if (::stat(cut.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
            report.failure = "is a folder";
            return nullptr;
        }
        errno = 0;
        source = FileInputStream::open(cut);
        if (!source) report.failure = errno != 0 ? std::strerror(errno) : "cannot be opened";
    }
    if (!source) return nullptr;
    // Compressed or not is told by the bytes, never by the name: servers and
    // collections serve gzip under ".wrl" too.
    unsigned char head[2];
    if (!hasGzipSignature(head, source->peek(head, 2))) return source;
    return GzipInputStream::create(std::move(source), cut);
}
