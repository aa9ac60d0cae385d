#include "base/world_names.h"

#include <string_view>
#include <vector>

namespace {

constexpr std::u16string_view kHttp = u"http://";
constexpr std::u16string_view kHttps = u"https://";

}  // namespace

std::size_t urlSchemeLength(const std::u16string& name) {
    if (name.compare(0, kHttp.size(), kHttp) == 0) return kHttp.size();
    if (name.compare(0, kHttps.size(), kHttps) == 0) return kHttps.size();
    return 0;
}

std::u16string baseDirectoryOf(const std::u16string& name) {
    const std::size_t scheme = urlSchemeLength(name);
    const std::size_t slash = name.rfind(u'/');
    if (slash == std::u16string::npos) return std::u16string();
    // The "//" of the scheme is no folder separator.
    if (scheme != 0 && slash < scheme) return name + u"/";
    return name.substr(0, slash + 1);
}

std::u16string resolveReference(const std::u16string& baseDirectory, const std::u16string& reference) {
    if (urlSchemeLength(reference) != 0) return reference;
    if (!reference.empty() && reference[0] == u'/') {
        const std::size_t scheme = urlSchemeLength(baseDirectory);
        if (scheme == 0) return reference;
        const std::size_t pathStart = baseDirectory.find(u'/', scheme);
        return baseDirectory.substr(0, pathStart) + reference;
    }
    return baseDirectory + reference;
}

std::u16string normalizeName(const std::u16string& name) {
    // The part that is kept as it stands: a URL's scheme and host, or the
    // root "/" of an absolute path.
    std::size_t pathStart = 0;
    const std::size_t scheme = urlSchemeLength(name);
    if (scheme != 0) {
        pathStart = name.find(u'/', scheme);
        if (pathStart == std::u16string::npos) return name;
    }
    const bool rooted = pathStart < name.size() && name[pathStart] == u'/';
    std::u16string out = name.substr(0, pathStart);
    if (rooted) out += u'/';

    std::vector<std::u16string_view> segments;
    const std::u16string_view path = std::u16string_view(name).substr(pathStart);
    std::size_t at = 0;
    while (at <= path.size()) {
        std::size_t end = path.find(u'/', at);
        if (end == std::u16string_view::npos) end = path.size();
        const std::u16string_view segment = path.substr(at, end - at);
        if (segment == u"..") {
            if (!segments.empty() && segments.back() != u"..") {
                segments.pop_back();
            } else if (!rooted) {
                segments.push_back(segment);
            }
        } else if (!segment.empty() && segment != u".") {
            segments.push_back(segment);
        }
        at = end + 1;
    }
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (i > 0) out += u'/';
        out += segments[i];
    }
    // A name that ended in a folder still does.
    if (!segments.empty() && !path.empty() && path.back() == u'/') out += u'/';
    return out;
}
