// libFuzzer harness for the world reader and everything that runs on what it
// builds: the bytes are read as a world (through the parser's opener, as the
// viewer reads a file), made into a Scene, prepared, clocked and run for a few
// frames into a 64 x 48 frame buffer with the calls RenderSample::frame makes:
// clear, updateAndDraw, navigation with a key held, the lighting switch and a
// stylus press whose position comes from the input's bytes. Every node is
// released after each input, so nothing carries over from one run to the next.
//
// No network and no files: the opener hands out the input for the world's own
// name and fails at once for any other, and the driver's loadImage answers
// every image name with a small made-up picture (its size and alpha plane
// picked by the name), so textures are drawn without reading anything.
//
// Build and run from the repository root (see the Makefile):
//   make fuzz-build
//   ./build-fuzz/fuzz_reader -max_len=65536 -timeout=1 -rss_limit_mb=2048 \
//       build-fuzz/corpus_reader build-fuzz/seed_reader
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/driver2d.h"
#include "app/navigation.h"
#include "base/input_stream.h"
#include "events/node_factory.h"
#include "raster/bitmap.h"
#include "raster/bitmap_font.h"
#include "raster/rasterizer.h"
#include "scene/node_registry.h"
#include "scene/scene.h"
#include "scene/shape_nodes.h"
#include "support/memory_stream.h"
#include "vrml/load_world.h"
#include "vrml/parser.h"

namespace {

constexpr int32_t kWidth = 64;
constexpr int32_t kHeight = 48;
constexpr int kFrames = 6;
constexpr uint32_t kFrameMs = 40;
constexpr char kWorldName[] = "fuzz.wrl";

// The input of the current run, for the opener.
const uint8_t* currentData = nullptr;
std::size_t currentSize = 0;

std::unique_ptr<InputStream> openFuzzStream(const std::string& name) {
    if (name != kWorldName) return nullptr;
    return std::make_unique<MemoryStream>(currentData, currentSize);
}

// The platform as the frame needs it: a virtual clock, no display, pictures
// made up from the name.
class FuzzDriver final : public Driver2D {
public:
    void present(const Bitmap&, int32_t, int32_t, bool) override {}
    OwnedBitmap loadImage(const std::u16string& name, int32_t, int32_t, int32_t) override {
        uint32_t hash = 2166136261u;
        for (char16_t c : name) hash = (hash ^ c) * 16777619u;
        // 1 x 1, odd sizes, one already square and a power of two, and one
        // wider than the largest texture.
        static constexpr int32_t kSides[][2] = {{1, 1}, {3, 5}, {64, 64}, {300, 2}};
        const int32_t* side = kSides[hash % 4];
        OwnedBitmap bitmap = newBitmap(side[0], side[1], (hash >> 2) & 1);
        if (!bitmap) return nullptr;
        const int32_t count = side[0] * side[1];
        for (int32_t i = 0; i < count; ++i) {
            bitmap->pixels[i] = static_cast<uint16_t>(hash * (i + 1));
            if (bitmap->alpha) bitmap->alpha[i] = static_cast<uint8_t>((i * 37) ^ hash);
        }
        return bitmap;
    }
    void quit() override {}
    OwnedBitmap renderText(int32_t, int32_t, const std::u16string&) override { return nullptr; }
    uint32_t ticks() override { return now; }
    void refreshMessages() override {}
    void hideMessages() override {}
    void addMessage(const char*) override {}

    uint32_t now = 0;
};

uint32_t hashBytes(const uint8_t* data, std::size_t size) {
    uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
    return hash;
}

void runWorld(const uint8_t* data, std::size_t size) {
    FuzzDriver driver;
    driver.now = 1000;
    OwnedBitmap frameBuffer = newBitmap(kWidth, kHeight, false);
    if (!frameBuffer) return;
    Rasterizer rasterizer;
    rasterizer.driver = &driver;
    rasterizer.attachTarget(frameBuffer.get());
    BitmapFont font;
    setFont(&font, nullptr);

    std::unique_ptr<Scene> scene;
    {
        VrmlParser parser(createNode, openFuzzStream);
        scene = loadWorld(parser, u"fuzz.wrl");
    }
    if (!scene) return;
    scene->attachRasterizer(&rasterizer);
    scene->font = &font;
    scene->initNodes();
    scene->startClock(driver.now * 0.001, driver.now);

    // The presses land on a pixel picked by the input (so that the fuzzer can
    // steer it), after frames 2 and 4; a hit is seen by the next frame.
    const uint32_t hash = hashBytes(data, size);
    const int32_t pickX = static_cast<int32_t>(hash % kWidth);
    const int32_t pickY = static_cast<int32_t>((hash / kWidth) % kHeight);
    static constexpr int32_t kKeys[kFrames] = {0, kNavUp, kNavUp, kNavLeft, kNavDown, kNavRight};
    for (int i = 0; i < kFrames; ++i) {
        driver.now += kFrameMs;
        const Color4f background = scene->backgroundColor();
        rasterizer.clearColor(background.r, background.g, background.b);
        rasterizer.resetDepth();
        scene->updateAndDraw(driver.now * 0.001, driver.now);
        navigate(*scene, kKeys[i]);
        scene->lighting = (hash >> (i + 20)) & 1;
        if (i == 1 || i == 3) {
            const PickResult hit = scene->pick(pickX, pickY);
            if (hit.hitShape) scene->frameClock.pickResult = hit.hitShape;
        }
    }
    scene.reset();
    rasterizer.attachTarget(nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    currentData = data;
    currentSize = size;
    runWorld(data, size);
    releaseNodeRegistry();
    return 0;
}
