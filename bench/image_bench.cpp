// GIF decoding throughput and overlay text drawing.
#include <benchmark/benchmark.h>

#include <vector>

#include "support/memory_stream.h"
#include "app/gif_decoder.h"
#include "app/image_loader.h"
#include "raster/bitmap_font.h"

namespace {

// A 256 x 256 GIF of 8-bit literal codes only (the worst case for the
// decoder's output rate per input byte): clear code, then one 9..12-bit code
// per pixel, with a clear code whenever the table fills.
std::vector<uint8_t> literalGif() {
    constexpr int kSide = 256;
    std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 0, 1, 0, 1, 0xF7, 0, 0};
    for (int i = 0; i < 256; ++i) {
        gif.push_back(static_cast<uint8_t>(i));
        gif.push_back(static_cast<uint8_t>(255 - i));
        gif.push_back(static_cast<uint8_t>(i * 3));
    }
    gif.insert(gif.end(), {0x2C, 0, 0, 0, 0, 0, 1, 0, 1, 0, 8});
    std::vector<uint8_t> packed;
    uint32_t bits = 0;
    int count = 0;
    int width = 9;
    int slot = 258;
    bool defines = false;
    auto put = [&](int code) {
        bits |= static_cast<uint32_t>(code) << count;
        count += width;
        while (count >= 8) {
            packed.push_back(static_cast<uint8_t>(bits));
            bits >>= 8;
            count -= 8;
        }
    };
    auto clear = [&] {
        put(256);
        width = 9;
        slot = 258;
        defines = false;
    };
    clear();
    for (int i = 0; i < kSide * kSide; ++i) {
        if (slot >= 4000) clear();
        put((i * 7 + i / 256) & 255);
        if (defines) {
            ++slot;
            if (slot >= (1 << width) && width < 12) ++width;
        }
        defines = true;
    }
    put(257);
    if (count > 0) packed.push_back(static_cast<uint8_t>(bits));
    for (std::size_t at = 0; at < packed.size(); at += 255) {
        const std::size_t n = packed.size() - at < 255 ? packed.size() - at : 255;
        gif.push_back(static_cast<uint8_t>(n));
        gif.insert(gif.end(), packed.begin() + static_cast<long>(at), packed.begin() + static_cast<long>(at + n));
    }
    gif.push_back(0);
    gif.push_back(0x3B);
    return gif;
}

void BM_DecodeGif256(benchmark::State& state) {
    const std::vector<uint8_t> gif = literalGif();
    for (auto _ : state) {
        MemoryStream stream(gif);
        OwnedBitmap bitmap = decodeGifStream(stream);
        benchmark::DoNotOptimize(bitmap.get());
    }
    state.SetItemsProcessed(state.iterations() * 256 * 256);
}
BENCHMARK(BM_DecodeGif256);

void BM_DrawTitleLine(benchmark::State& state) {
    OwnedBitmap sheet = loadImageFile(u"" ORVELLA_ASSET_DIR "font.gif");
    if (!sheet) {
        state.SkipWithError("font.gif not found");
        return;
    }
    BitmapFont font;
    setFont(&font, sheet.get());
    OwnedBitmap frame = newBitmap(240, 320, false);
    fillBitmap(frame.get(), 0);
    for (auto _ : state) {
        drawText(font, u"fps: 25", frame.get(), 0, 300);
        drawText(font, u"Orvella beta 0.1 ", frame.get(), 0, 310);
        benchmark::DoNotOptimize(frame->pixels);
    }
}
BENCHMARK(BM_DrawTitleLine);

}  // namespace
