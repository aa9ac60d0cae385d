// Image textures are loaded once per world, when the world's nodes are
// prepared, never during a frame. A texture url names its image relative to
// the world: the full name is the world's base directory (its name up to the
// last "/", so a folder or the folder of an http:// URL) followed by the url.
#include <string>

#include "raster/rasterizer.h"
#include "scene/scene.h"
#include "scene/shape_nodes.h"

namespace {

constexpr char16_t kHttp[] = u"http://";
constexpr std::size_t kHttpLength = sizeof(kHttp) / sizeof(kHttp[0]) - 1;

bool beginsWithHttp(const std::u16string& text) { return text.compare(0, kHttpLength, kHttp) == 0; }

// The name the image is loaded and cached under.
std::u16string fullTextureName(const std::u16string& baseDirectory, const std::u16string& url) {
    if (beginsWithHttp(url)) return url;
    if (!url.empty() && url[0] == u'/') {
        // An absolute path: on the world's own host when the world came from
        // a URL, else the local file itself.
        if (!beginsWithHttp(baseDirectory)) return url;
        const std::size_t pathStart = baseDirectory.find(u'/', kHttpLength);
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
    textureEntry = loadTexture(scene, url.value[0]);
}
