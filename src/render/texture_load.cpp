// Image textures are loaded once per world, when the world's nodes are
// prepared, never during a frame. A texture url names its image relative to
// the world: the full name is the url read from the world's base directory
// (its name up to the last "/", so a folder or the folder of an http:// or
// https:// URL): a URL as given, an absolute path on the world's own host
// when the world came from a URL, anything else after the base directory.
#include <string>

#include "base/world_names.h"
#include "raster/rasterizer.h"
#include "scene/scene.h"
#include "scene/shape_nodes.h"

const TextureEntry* loadTexture(Scene* scene, const std::u16string& url) {
    if (!scene || !scene->rasterizer) return nullptr;
    return scene->rasterizer->getTexture(resolveReference(scene->baseDirectory, url));
}

void nImageTexture::prepare(Scene* scene) {
    if (url.value.count < 1 || url.value[0].empty()) return;
    if (baseDirectory.empty()) {
        textureEntry = loadTexture(scene, url.value[0]);
        return;
    }
    if (!scene || !scene->rasterizer) return;
    textureEntry = scene->rasterizer->getTexture(resolveReference(baseDirectory, url.value[0]));
}
