// Image textures are loaded once per world, when the world's nodes are
// prepared, never during a frame. A texture url names its image relative to
// the world: the full name is the world's base directory (its name up to the
// last "/", so a folder or the folder of an http:// or https:// URL) followed
// by the url.
#include <string>
#include <string_view>

#include "raster/rasterizer.h"
#include "scene/scene.h"
#include "scene/shape_nodes.h"

namespace {

constexpr std::u16string_view kHttp = u"http://";
constexpr std::u16string_view kHttps = u"https://";

// The length of the scheme the text begins with ("http://" or "https://"),
// or 0 when it names no URL.
std::size_t urlSchemeLength(const std::u16string& text) {
    if (text.compare(0, kHttp.size(), kHttp) == 0) return kHttp.size();
    if (text.compare(0, kHttps.size(), kHttps) == 0) return kHttps.size();
    return 0;
}

// The name the image is loaded and cached under.
std::u16string fullTextureName(const std::u16string& baseDirectory, const std::u16string& url) {
    if (urlSchemeLength(url) != 0) return url;
    if (!url.empty() && url[0] == u'/') {
        // An absolute path: on the world's own host when the world came from
        // a URL, else the local file itself.
        const std::size_t scheme = urlSchemeLength(baseDirectory);
        if (scheme == 0) return url;
        const std::size_t pathStart = baseDirectory.find(u'/', scheme);
        return baseDirectory.substr(0, pathStart) + url;
    }
    return baseDirectory + url;
}

}  // namespace

const TextureEntry* loadTexture(Scene* scene, const std::u16string& url) {
    if (!scene || !scene->rasterizer) return nullptr;
    return scene->rasterizer->getTexture(fullTextureName(scene->baseDirectory, url));
}

void nImageTexture::prepare(Scene* scene) {
    if (url.value.count < 1 || url.value[0].empty()) return;
    if (baseDirectory.empty()) {
        textureEntry = loadTexture(scene, url.value[0]);
        return;
    }
    if (!scene || !scene->rasterizer) return;
    textureEntry = scene->rasterizer->getTexture(fullTextureName(baseDirectory, url.value[0]));
}
