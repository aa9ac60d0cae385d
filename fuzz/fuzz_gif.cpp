// libFuzzer harness for the GIF decoder. Not part of the normal build; from
// the repository root:
//
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc -Itests \
//       fuzz/fuzz_gif.cpp src/app/gif_decoder.cpp src/app/gif_lzw.cpp \
//       src/app/image_convert.cpp src/app/input_stream.cpp \
//       src/app/file_input_stream.cpp src/app/url_input_stream.cpp \
//       src/shell/log.cpp src/raster/bitmap.cpp -lcurl -o fuzz_gif
//   ./fuzz_gif -max_len=65536 -rss_limit_mb=4096 corpus/
//
// (-rss_limit_mb leaves room for the largest picture a header may claim.)
#include <cstddef>
#include <cstdint>

#include "support/memory_stream.h"
#include "app/gif_decoder.h"

namespace {

}  // namespace

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
