// The band renderer: the command list, its replay into one band, and the
// worker pool that replays the other bands (band_renderer.h has the design).
//
// The pool is a generation count under one mutex: flush bumps it and wakes
// the workers; every thread, the caller's too, takes the next band from an
// atomic count until none is left, and each worker then counts itself out;
// the caller waits for the count to reach zero. The mutex orders everything:
// the lists are complete before a worker sees the new generation, and every
// pixel a worker wrote is visible to the caller once it has counted out.
#include "raster/band_renderer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "raster/fixed_point.h"

namespace raster {

namespace {

constexpr uint32_t kEmptyDepth = 0xFFFFFFFFu;

// The rows a polygon may touch: from the ceiling of its top vertex to the
// ceiling of its bottom one (the edge walker's rows), over the 28.4 snap.
void polygonRows(RasterVertex* const* polygon, int count, int32_t& firstRow, int32_t& endRow) {
    int32_t top = snapSubpixel(polygon[0]->sy), bottom = top;
    for (int k = 1; k < count; ++k) {
        const int32_t y = snapSubpixel(polygon[k]->sy);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    firstRow = ceilPixel(top);
    endRow = ceilPixel(bottom);
}

BandSurface surfaceOf(const Rasterizer& r, const SurfaceFiller& filler) {
    BandSurface s;
    s.filler = &filler;
    s.textureMode = r.textureMode;
    s.shadeMode = r.shadeMode;
    s.opaqueMode = r.opaqueMode;
    s.colourMode = r.colourMode;
    s.diffuseR = r.diffuseR;
    s.diffuseG = r.diffuseG;
    s.diffuseB = r.diffuseB;
    s.emissiveR = r.emissiveR;
    s.emissiveG = r.emissiveG;
    s.emissiveB = r.emissiveB;
    s.emissivePixel = r.emissivePixel;
    s.oldWeightRow = r.oldWeightRow;
    s.newWeightRow = r.newWeightRow;
    s.textureBitmap = r.textureBitmap;
    s.texMask = r.texMask;
    s.texRowShift = r.texRowShift;
    return s;
}

void applySurface(Rasterizer& r, const BandSurface& s) {
    r.textureMode = s.textureMode;
    r.shadeMode = s.shadeMode;
    r.opaqueMode = s.opaqueMode;
    r.colourMode = s.colourMode;
    r.diffuseR = s.diffuseR;
    r.diffuseG = s.diffuseG;
    r.diffuseB = s.diffuseB;
    r.emissiveR = s.emissiveR;
    r.emissiveG = s.emissiveG;
    r.emissiveB = s.emissiveB;
    r.emissivePixel = s.emissivePixel;
    r.oldWeightRow = s.oldWeightRow;
    r.newWeightRow = s.newWeightRow;
    r.textureBitmap = s.textureBitmap;
    r.texMask = s.texMask;
    r.texRowShift = s.texRowShift;
}

uint32_t refusals(const RasterCounters& c) { return c.trianglesInvalid + c.trianglesDegenerate; }

}  // namespace

BandRenderer::BandRenderer(int32_t threads, int32_t minPixels) : minPixels_(minPixels) {
    const int32_t wanted = std::clamp(threads, int32_t{1}, Rasterizer::kMaxThreads);
    try {
        states_.reserve(static_cast<std::size_t>(wanted));
        workers_.reserve(static_cast<std::size_t>(wanted));
    } catch (const std::bad_alloc&) {
        return;  // no threads: the Rasterizer draws on one
    }
    for (int32_t k = 0; k < wanted; ++k) {
        std::unique_ptr<Rasterizer> state(new (std::nothrow) Rasterizer());
        if (!state) break;
        // Every thread reads the main rasterizer's weight table (retarget).
        std::free(state->weightTable);
        state->weightTable = nullptr;
        states_.push_back(std::move(state));
    }
    // A worker that cannot be started leaves its thread out: the others
    // draw its bands.
    while (workers_.size() + 1 < states_.size()) {
        const std::size_t index = workers_.size() + 1;
        try {
            workers_.emplace_back([this, index] { workerLoop(index); });
        } catch (...) {
            break;
        }
    }
    while (states_.size() > workers_.size() + 1) {
        disown(*states_.back());
        states_.pop_back();
    }
}

BandRenderer::~BandRenderer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    start_.notify_all();
    for (std::thread& worker : workers_) worker.join();
    for (std::unique_ptr<Rasterizer>& state : states_) disown(*state);
}

void BandRenderer::disown(Rasterizer& r) {
    r.targetPixels = nullptr;
    r.depth = nullptr;
    r.weightTable = nullptr;
}

void BandRenderer::retarget(const Rasterizer& main) {
    width_ = main.targetWidth;
    height_ = main.targetHeight;
    pixels_ = main.targetPixels;
    depth_ = main.depth;
    bandable_ = false;
    const int64_t bandCount =
        std::min<int64_t>(static_cast<int64_t>(states_.size()) * kBandsPerThread, height_);
    if (!pixels_ || !depth_ || states_.size() < 2 || bandCount < 2 || main.pixelCount < minPixels_) return;
    try {
        bands_.resize(static_cast<std::size_t>(bandCount));
        rowBand_.resize(static_cast<std::size_t>(height_));
    } catch (const std::bad_alloc&) {
        return;
    }
    for (int64_t k = 0; k < bandCount; ++k) {
        Band& band = bands_[static_cast<std::size_t>(k)];
        band.firstRow = static_cast<int32_t>(k * height_ / bandCount);
        band.endRow = static_cast<int32_t>((k + 1) * height_ / bandCount);
        for (int32_t row = band.firstRow; row < band.endRow; ++row) rowBand_[static_cast<std::size_t>(row)] = static_cast<int32_t>(k);
    }
    for (std::unique_ptr<Rasterizer>& state : states_) {
        Rasterizer& r = *state;
        r.targetWidth = main.targetWidth;
        r.targetHeight = main.targetHeight;
        r.targetPixels = main.targetPixels;
        r.depth = main.depth;
        r.weightTable = main.weightTable;
    }
    bandable_ = true;
}

void BandRenderer::notePolygon(RasterVertex* const* polygon, int count, int64_t weight) {
    // In 28.4 units; the product of the two extents is 256 per pixel.
    int32_t left = snapSubpixel(polygon[0]->sx), right = left;
    int32_t top = snapSubpixel(polygon[0]->sy), bottom = top;
    for (int k = 1; k < count; ++k) {
        const int32_t x = snapSubpixel(polygon[k]->sx), y = snapSubpixel(polygon[k]->sy);
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    // Clipped polygons lie on the target; others are refused anyway.
    const int64_t limit = int64_t{kMaxTargetSide} * kSubpixels;
    const int64_t width = std::clamp<int64_t>(int64_t{right} - left, 0, limit);
    const int64_t height = std::clamp<int64_t>(int64_t{bottom} - top, 0, limit);
    batchPolygons_ += weight;
    batchArea_ += weight * (width * height / (kSubpixels * kSubpixels));
}

void BandRenderer::addCommand(const Command& command, int32_t firstRow, int32_t endRow) {
    firstRow = std::max(firstRow, int32_t{0});
    endRow = std::min(endRow, height_);
    if (firstRow >= endRow) return;  // no row of the target
    const uint32_t index = static_cast<uint32_t>(commands_.size());
    commands_.push_back(command);
    const int32_t last = rowBand_[static_cast<std::size_t>(endRow - 1)];
    for (int32_t k = rowBand_[static_cast<std::size_t>(firstRow)]; k <= last; ++k)
        bands_[static_cast<std::size_t>(k)].commands.push_back(index);
}

void BandRenderer::recordPolygon(Rasterizer& main, const SurfaceFiller& filler, RasterVertex* const* polygon,
                                 int count) {
    // The refusal checks of the fan, counted once: the bands repeat them
    // and their counts are not kept.
    const RasterCounters before = main.counters;
    SurfaceMode checks = filler.mode;
    checks.paint = Paint::Nothing;
    fillerFor(checks).drawPolygon(main, polygon, count);
    if (refusals(main.counters) - refusals(before) == static_cast<uint32_t>(count - 2)) return;  // nothing to draw
    notePolygon(polygon, count);

    const std::size_t commandMark = commands_.size(), vertexMark = vertices_.size(), surfaceMark = surfaces_.size(),
                      colourMark = colours_.size();
    try {
        const BandSurface surface = surfaceOf(main, filler);
        if (surfaces_.empty() || !(surfaces_.back() == surface)) surfaces_.push_back(surface);
        const Command command{Kind::Polygon, 0, count, static_cast<uint32_t>(vertices_.size()),
                              static_cast<uint32_t>(surfaces_.size() - 1), static_cast<uint32_t>(colours_.size())};
        for (int k = 0; k < count; ++k) {
            const RasterVertex& v = *polygon[k];
            vertices_.push_back({v.sx, v.sy, v.perspective, v.uPersp, v.vPersp, v.shade});
        }
        if (filler.mode.coloured) {
            for (int k = 0; k < count; ++k) colours_.push_back({polygon[k]->red, polygon[k]->green, polygon[k]->blue});
        }
        int32_t firstRow = 0, endRow = 0;
        polygonRows(polygon, count, firstRow, endRow);
        addCommand(command, firstRow, endRow);
    } catch (const std::bad_alloc&) {
        // No room to record: draw what is recorded, then this polygon
        // directly, which counts its refusals itself.
        rollBack(commandMark);
        vertices_.resize(vertexMark);
        surfaces_.resize(surfaceMark);
        colours_.resize(colourMark);
        flush();
        main.counters = before;
        filler.drawPolygon(main, polygon, count);
    }
}

void BandRenderer::rollBack(std::size_t commandMark) {
    commands_.resize(commandMark);
    for (Band& band : bands_) {
        while (!band.commands.empty() && band.commands.back() >= commandMark) band.commands.pop_back();
    }
}

void BandRenderer::recordClear(uint16_t pixel) {
    const std::size_t commandMark = commands_.size();
    try {
        addCommand({Kind::Clear, pixel, 0, 0, 0, 0}, 0, height_);
    } catch (const std::bad_alloc&) {
        rollBack(commandMark);
        flush();
        std::fill(pixels_, pixels_ + static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), pixel);
    }
}

void BandRenderer::recordResetDepth() {
    const std::size_t commandMark = commands_.size();
    try {
        addCommand({Kind::ResetDepth, 0, 0, 0, 0, 0}, 0, height_);
    } catch (const std::bad_alloc&) {
        rollBack(commandMark);
        flush();
        std::fill(depth_, depth_ + static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_),
                  kEmptyDepth);
    }
}

void BandRenderer::flush() {
    // The choice for the next batch, from this one's polygons (a batch of
    // clears alone keeps the last choice).
    if (batchPolygons_ > 0) largePolygons_ = batchArea_ >= batchPolygons_ * kMinAreaPerPolygon;
    batchPolygons_ = 0;
    batchArea_ = 0;
    if (commands_.empty()) return;
    nextBand_.store(0, std::memory_order_relaxed);  // published by the mutex
    {
        std::lock_guard<std::mutex> lock(mutex_);
        busy_ = static_cast<int32_t>(workers_.size());
        ++generation_;
    }
    start_.notify_all();
    drawBands(*states_[0]);
    {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return busy_ == 0; });
    }
    commands_.clear();
    vertices_.clear();
    colours_.clear();
    surfaces_.clear();
    for (Band& band : bands_) band.commands.clear();
}

void BandRenderer::workerLoop(std::size_t index) {
    uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            start_.wait(lock, [this, seen] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
        }
        drawBands(*states_[index]);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (--busy_ == 0) done_.notify_one();
        }
    }
}

void BandRenderer::drawBands(Rasterizer& r) {
    const int32_t count = static_cast<int32_t>(bands_.size());
    for (;;) {
        const int32_t k = nextBand_.fetch_add(1, std::memory_order_relaxed);
        if (k >= count) return;
        replay(bands_[static_cast<std::size_t>(k)], r);
    }
}

void BandRenderer::replay(const Band& band, Rasterizer& r) {
    if (band.commands.empty()) return;
    // The rows of the band: the walker fills from bandFirstRow and stops at
    // pixelCount.
    r.bandFirstRow = band.firstRow;
    r.pixelCount = band.endRow * width_;
    const std::size_t rowsFrom = static_cast<std::size_t>(band.firstRow) * static_cast<std::size_t>(width_);
    const std::size_t rowsPixels =
        static_cast<std::size_t>(band.endRow - band.firstRow) * static_cast<std::size_t>(width_);
    uint32_t applied = UINT32_MAX;  // the surface r holds
    RasterVertex corners[Rasterizer::kClipListSize];
    RasterVertex* pointers[Rasterizer::kClipListSize];
    for (int k = 0; k < Rasterizer::kClipListSize; ++k) pointers[k] = &corners[k];

    for (const uint32_t index : band.commands) {
        const Command& command = commands_[index];
        switch (command.kind) {
        case Kind::Polygon: {
            const BandSurface& surface = surfaces_[command.surface];
            if (command.surface != applied) {
                applySurface(r, surface);
                applied = command.surface;
            }
            const BandVertex* from = vertices_.data() + command.first;
            for (int k = 0; k < command.count; ++k) {
                RasterVertex& v = corners[k];
                v.sx = from[k].sx;
                v.sy = from[k].sy;
                v.perspective = from[k].perspective;
                v.uPersp = from[k].uPersp;
                v.vPersp = from[k].vPersp;
                v.shade = from[k].shade;
            }
            if (surface.filler->mode.coloured) {
                const BandColour* colour = colours_.data() + command.colours;
                for (int k = 0; k < command.count; ++k) {
                    corners[k].red = colour[k].red;
                    corners[k].green = colour[k].green;
                    corners[k].blue = colour[k].blue;
                }
            }
            surface.filler->drawPolygon(r, pointers, command.count);
            break;
        }
        case Kind::Clear:
            // As fillBitmap: black is a byte clear.
            if (command.pixel == 0) std::memset(pixels_ + rowsFrom, 0, rowsPixels * sizeof(uint16_t));
            else std::fill(pixels_ + rowsFrom, pixels_ + rowsFrom + rowsPixels, command.pixel);
            break;
        case Kind::ResetDepth:
            std::fill(depth_ + rowsFrom, depth_ + rowsFrom + rowsPixels, kEmptyDepth);
            break;
        }
    }
}

}  // namespace raster

void Rasterizer::setThreads(int32_t threads, int32_t minPixels) {
    flush();
    bands.reset();
    if (threads < 2) return;
    bands.reset(new (std::nothrow) raster::BandRenderer(threads, minPixels));
    if (bands && bands->threads() < 2) bands.reset();
    if (bands) bands->retarget(*this);
}

int32_t Rasterizer::threadCount() const { return bands ? bands->threads() : 1; }

void Rasterizer::flush() {
    if (bands) bands->flush();
}
