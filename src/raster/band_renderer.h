// Band-parallel drawing, internal to raster/ (the Rasterizer's setThreads and
// flush are the public face).
//
// With more than one thread the Rasterizer does not scan-convert as it goes.
// Everything up to the pixels stays on the caller's thread and in the caller's
// order: face walking, culling, clipping, and the checks that count refused
// triangles. What would reach the pixels is recorded instead: each clipped
// polygon with a copy of the vertex values the scan converter reads and the
// per-shape span state it is filled with, and the clears of the colour and
// depth buffers. The target is cut into bands of rows, a few per thread, and
// each band keeps the list of the commands that touch its rows. At flush the
// threads (the caller's among them) take the bands one at a time until none
// is left, and replay each band's list into its rows with a Rasterizer of
// their own (gradients, edges, span colours). More bands than threads keep
// both busy when one thread's rows hold more work, or the other thread is
// kept off its core by another program.
//
// Why the result is the same as one thread, byte for byte: a pixel's value
// depends only on the spans drawn over it, in order, and on its depth entry.
// A band draws every polygon that reaches its rows with the same set-up from
// the same vertex values, walks its edges from the polygon's top down through
// the rows above the band (stepping them, filling nothing) so every float is
// accumulated as in one thread, and fills the rows it owns in command order.
// No two bands share a row, and what the threads share (the lists, the
// textures, the weight table) is written before the flush and only read
// during it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "raster/rasterizer.h"
#include "raster/scan_convert.h"

namespace raster {

// The per-shape state a replayed polygon is filled with, and the stages that
// fill it.
struct BandSurface {
    const SurfaceFiller* filler = nullptr;
    uint8_t textureMode = 0, shadeMode = 0, opaqueMode = 0, colourMode = 0;
    uint8_t diffuseR = 0, diffuseG = 0, diffuseB = 0;
    uint8_t emissiveR = 0, emissiveG = 0, emissiveB = 0;
    uint16_t emissivePixel = 0;
    int32_t oldWeightRow = 0, newWeightRow = 0;
    const Bitmap* textureBitmap = nullptr;
    int32_t texMask = 0, texRowShift = 0;
    bool operator==(const BandSurface&) const = default;
};

// What the scan converter reads of a vertex.
struct BandVertex {
    float sx, sy, perspective, uPersp, vPersp, shade;
};

// And of a coloured polygon's vertex besides.
struct BandColour {
    float red, green, blue;
};

class BandRenderer {
public:
    // Bands per drawing thread.
    static constexpr int32_t kBandsPerThread = 4;
    // Recording pays when the polygons are large: below this many pixels of
    // bounding box per polygon on average (a dense mesh, most of whose
    // triangles cover a pixel or two), copying and sorting them into bands
    // costs the caller's thread more than the other threads take off it, and
    // the next frame is drawn directly. In bench/render_bench.cpp at
    // 1280 x 720 the 200,000-triangle mesh averages 5 (recorded, its main
    // thread was slower than one thread alone), the cubes 72 (a quarter
    // faster), the layers 720,000.
    static constexpr int64_t kMinAreaPerPolygon = 24;
    static constexpr int32_t kDirectSample = 8;

    // Starts threads - 1 workers (threads >= 2); they wait for flushes.
    // Targets of fewer than minPixels pixels are drawn on the caller's thread
    // alone, without recording.
    BandRenderer(int32_t threads, int32_t minPixels);
    // Stops and joins the workers. Whatever is still recorded is dropped.
    ~BandRenderer();
    BandRenderer(const BandRenderer&) = delete;
    BandRenderer& operator=(const BandRenderer&) = delete;

    int32_t threads() const { return static_cast<int32_t>(states_.size()); }
    // Takes the main rasterizer's target, depth buffer and weight table (after
    // attachTarget; nothing may be recorded): cuts the target into bands and
    // decides whether to record at all.
    void retarget(const Rasterizer& main);
    // True when drawing is recorded for the bands, false when it goes straight
    // to the pixels: the target is large enough and the polygons drawn up to
    // the last flush were large enough on average (or there were none yet).
    bool recording() const { return bandable_ && largePolygons_; }
    // Notes a polygon drawn directly on a target that could be drawn in bands,
    // for the choice at the next flush. One in kDirectSample is measured (and
    // counts for that many): an average needs no more, and the direct path
    // is the one of meshes with very many polygons.
    void noteDirect(RasterVertex* const* polygon, int count) {
        if (bandable_ && ++directSkipped_ == kDirectSample) {
            directSkipped_ = 0;
            notePolygon(polygon, count, kDirectSample);
        }
    }

    // Records one clipped polygon of 3 .. 20 vertices to be drawn with the
    // main rasterizer's current span state by `filler`. The refusal checks run
    // here, once, and count into main.counters as direct drawing would.
    void recordPolygon(Rasterizer& main, const SurfaceFiller& filler, RasterVertex* const* polygon, int count);
    // Records a fill of the colour buffer with the pixel value.
    void recordClear(uint16_t pixel);
    // Records the reset of every depth entry to empty.
    void recordResetDepth();

    // Draws everything recorded, all threads at once, and returns when every
    // pixel is written; the lists are empty again (their storage kept).
    void flush();

private:
    enum class Kind : uint8_t { Polygon, Clear, ResetDepth };
    struct Command {
        Kind kind;
        uint16_t pixel;    // Clear
        int32_t count;     // Polygon: vertices
        uint32_t first;    // Polygon: first of vertices_
        uint32_t surface;  // Polygon: index into surfaces_
        uint32_t colours;  // coloured Polygon: first of colours_
    };
    struct Band {
        int32_t firstRow = 0;
        int32_t endRow = 0;
        std::vector<uint32_t> commands;  // indices into commands_, in order
    };

    // Adds the polygon's bounding box to the statistics of the batch, as
    // `weight` polygons of its size.
    void notePolygon(RasterVertex* const* polygon, int count, int64_t weight = 1);
    // Appends the command to the bands of rows firstRow .. endRow - 1 (held
    // to the target).
    void addCommand(const Command& command, int32_t firstRow, int32_t endRow);
    // Takes back every command from commandMark on, from the bands too
    // (after a failed record).
    void rollBack(std::size_t commandMark);
    // Replays bands until none is left, with the thread's rasterizer.
    void drawBands(Rasterizer& r);
    void replay(const Band& band, Rasterizer& r);
    void workerLoop(std::size_t index);
    // Lets go of the main rasterizer's buffers before a thread's Rasterizer
    // is destroyed.
    static void disown(Rasterizer& r);

    std::vector<std::unique_ptr<Rasterizer>> states_;  // one per thread, the caller's first
    int32_t minPixels_;
    bool bandable_ = false;       // the target is large enough to cut into bands
    bool largePolygons_ = true;   // the last batch's polygons were large enough on average
    int64_t batchPolygons_ = 0;   // polygons since the last flush that had any
    int64_t batchArea_ = 0;       // their bounding boxes, in pixels
    int32_t directSkipped_ = 0;   // polygons drawn directly since the last one measured
    int32_t width_ = 0;
    int32_t height_ = 0;
    uint16_t* pixels_ = nullptr;
    uint32_t* depth_ = nullptr;
    std::vector<Band> bands_;
    std::vector<int32_t> rowBand_;  // the band of every row

    std::vector<Command> commands_;
    std::vector<BandVertex> vertices_;
    std::vector<BandColour> colours_;
    std::vector<BandSurface> surfaces_;

    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable done_;
    uint64_t generation_ = 0;  // flushes begun
    int32_t busy_ = 0;         // workers still drawing the current flush
    bool stopping_ = false;
    std::atomic<int32_t> nextBand_{0};
};

// Where the clipper hands a polygon on: recorded for the bands, or scan-
// converted at once by the filler.
inline void emitPolygon(Rasterizer& r, const SurfaceFiller& filler, RasterVertex* const* polygon, int count) {
    if (r.bands && filler.mode.paint != Paint::Nothing) {
        if (r.bands->recording()) {
            r.bands->recordPolygon(r, filler, polygon, count);
            return;
        }
        r.bands->noteDirect(polygon, count);
    }
    filler.drawPolygon(r, polygon, count);
}

}  // namespace raster
