// libFuzzer harness for the GIF decoder: the bytes are decoded as a GIF
// stream by decodeGifStream, and every pixel and alpha value of what it
// returns is read.
//
// Build and run from the repository root (see the Makefile):
//   make fuzz-build
//   ./build-fuzz/fuzz_gif -max_len=65536 -timeout=5 -rss_limit_mb=4096 \
//       build-fuzz/corpus_gif build-fuzz/seed_gif
// (-rss_limit_mb leaves room for the largest picture a header may claim.)
#include <cstddef>
#include <cstdint>

#include "support/memory_stream.h"
#include "app/gif_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    MemoryStream stream(data, size);
    OwnedBitmap bitmap = decodeGifStream(stream);
    if (bitmap) {
        // Touch every pixel so a short write would show as a read of
        // uninitialised or foreign memory.
        uint32_t sum = 0;
        const int64_t count = static_cast<int64_t>(bitmap->width) * bitmap->height;
        for (int64_t i = 0; i < count; ++i) sum += bitmap->pixels[i];
        if (bitmap->alpha)
            for (int64_t i = 0; i < count; ++i) sum += bitmap->alpha[i];
        volatile uint32_t sink = sum;
        (void)sink;
    }
    return 0;
}
