// libFuzzer harness for the PNG and JPEG decoders, entered the way a texture
// is loaded: the bytes are written to a file in a private temp folder and
// read by loadImageFile under a name without ".gif", so the first bytes pick
// the decoder exactly as they do for a world's ImageTexture (PNG signature:
// libpng; FF D8 FF: libjpeg; "GIF": the GIF decoder; else nothing). Whatever
// decodes is then made into a texture with makeTextureBitmap, as the texture
// cache does, and every pixel of both is read.
//
// Build and run from the repository root (see the Makefile):
//   make fuzz-build
//   ./build-fuzz/fuzz_image -max_len=65536 -timeout=5 -rss_limit_mb=4096 \
//       build-fuzz/corpus_image build-fuzz/seed_image
// (-rss_limit_mb leaves room for the largest picture a header may claim.)
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/image_loader.h"
#include "raster/bitmap.h"
#include "raster/texture_cache.h"

namespace {

void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz_image: %s\n", what);
    std::abort();
}

const std::u16string& tempFile() {
    static const std::u16string path = [] {
        char folder[] = "/tmp/orvella-fuzz-image-XXXXXX";
        check(::mkdtemp(folder) != nullptr, "no temp folder");
        const std::string name = std::string(folder) + "/texture.img";
        return std::u16string(name.begin(), name.end());
    }();
    return path;
}

// Reads every pixel (and alpha value) so that a short write shows as a read
// of uninitialised or foreign memory.
void touch(const Bitmap& bitmap) {
    check(bitmap.width > 0 && bitmap.height > 0 && bitmap.pixels != nullptr, "an empty bitmap");
    uint32_t sum = 0;
    const int64_t count = static_cast<int64_t>(bitmap.width) * bitmap.height;
    for (int64_t i = 0; i < count; ++i) sum += bitmap.pixels[i];
    if (bitmap.alpha)
        for (int64_t i = 0; i < count; ++i) sum += bitmap.alpha[i];
    volatile uint32_t sink = sum;
    (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::u16string& name = tempFile();
    const std::string path(name.begin(), name.end());
    FILE* file = std::fopen(path.c_str(), "wb");
    check(file != nullptr, "temp file");
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    OwnedBitmap image = loadImageFile(name);
    if (!image) return 0;
    touch(*image);
    // Pictures read by content never carry an alpha plane.
    check(image->alpha == nullptr, "an alpha plane from a picture read by content");
    OwnedBitmap texture = makeTextureBitmap(std::move(image));
    if (texture) {
        touch(*texture);
        const int32_t side = texture->width;
        check(texture->height == side && (side == 32 || side == 64 || side == 128 || side == 256),
              "a texture that is not a square power of two");
    }
    return 0;
}
