// The band renderer: the command list, its replay into one band, and the
// worker pool that replays the other bands (band_renderer.h has the design).
//
// The pool is a generation count under one mutex: flush bumps it and wakes
// the workers, each replays its band and counts itself out, and the caller,
// after replaying the first band, waits for the count to reach zero. The
// mutex orders everything: the list is complete before a worker sees the new
// generation, and every pixel a worker wrote is visible to the caller once it
// has counted out.
#include "raster/band_renderer.h"

#include <algorithm>
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
        bands_.reserve(static_cast<std::size_t>(wanted));
        workers_.reserve(static_cast<std::size_t>(wanted));
    } catch (const std::bad_alloc&) {
        return;  // no bands: the Rasterizer draws on one thread
    }
    for (int32_t k = 0; k < wanted; ++k) {
        Band band;
        band.r.reset(new (std::nothrow) Rasterizer());
        if (!band.r) break;
        // Every band reads the main rasterizer's weight table (retarget).
        std::free(band.r->weightTable);
        band.r->weightTable = nullptr;
        bands_.push_back(std::move(band));
    }
    // A worker that cannot be started leaves its band (and those after it)
    // out: fewer, taller bands draw the same frame.
    while (workers_.size() + 1 < bands_.size()) {
        const std::size_t index = workers_.size();
        try {
            workers_.emplace_back([this, index] { workerLoop(index + 1); });
        } catch (...) {
            break;
        }
    }
    while (bands_.size() > workers_.size() + 1) {
        disown(*bands_.back().r);
        bands_.pop_back();
    }
}

BandRenderer::~BandRenderer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    start_.notify_all();
    for (std::thread& worker : workers_) worker.join();
    for (Band& band : bands_) disown(*band.r);
}

void BandRenderer::disown(Rasterizer& r) {
    r.targetPixels = nullptr;
    r.depth = nullptr;
    r.weightTable = nullptr;
}

void BandRenderer::retarget(const Rasterizer& main) {
    width_ = main.targetWidth;
    pixels_ = main.targetPixels;
    depth_ = main.depth;
    const int32_t height = main.targetHeight;
    const int64_t bandCount = std::min<int64_t>(static_cast<int64_t>(bands_.size()), height);
    recording_ = pixels_ && depth_ && bandCount >= 2 && main.pixelCount >= minPixels_;
    for (std::size_t k = 0; k < bands_.size(); ++k) {
        Band& band = bands_[k];
        const int64_t index = static_cast<int64_t>(k);
        band.firstRow = index < bandCount ? static_cast<int32_t>(index * height / bandCount) : height;
        band.endRow = index < bandCount ? static_cast<int32_t>((index + 1) * height / bandCount) : height;
        Rasterizer& r = *band.r;
        r.targetWidth = main.targetWidth;
        r.targetHeight = main.targetHeight;
        r.targetPixels = main.targetPixels;
        r.depth = main.depth;
        r.weightTable = main.weightTable;
        // The walker stops at pixelCount: for a band, where its rows end.
        r.pixelCount = band.endRow * main.targetWidth;
        r.bandFirstRow = band.firstRow;
    }
}

void BandRenderer::recordPolygon(Rasterizer& main, const SurfaceFiller& filler, RasterVertex* const* polygon,
                                 int count) {
    // The refusal checks of the fan, counted once: the bands repeat them
    // and their counts are not kept.
    const RasterCounters before = main.counters;
    fillerFor({filler.mode.textured, filler.mode.shaded, Paint::Nothing}).drawPolygon(main, polygon, count);
    if (refusals(main.counters) - refusals(before) == static_cast<uint32_t>(count - 2)) return;  // nothing to draw

    const std::size_t commandMark = commands_.size(), vertexMark = vertices_.size(), surfaceMark = surfaces_.size();
    const bool hadSurface = haveSurface_;
    try {
        const BandSurface surface = surfaceOf(main, filler);
        if (!haveSurface_ || !(surfaces_.back() == surface)) {
            surfaces_.push_back(surface);
            commands_.push_back({Kind::Surface, 0, 0, static_cast<uint32_t>(surfaces_.size() - 1), 0, 0});
            haveSurface_ = true;
        }
        Command command{Kind::Polygon, 0, count, static_cast<uint32_t>(vertices_.size()), 0, 0};
        polygonRows(polygon, count, command.firstRow, command.endRow);
        for (int k = 0; k < count; ++k) {
            const RasterVertex& v = *polygon[k];
            vertices_.push_back({v.sx, v.sy, v.perspective, v.uPersp, v.vPersp, v.shade});
        }
        commands_.push_back(command);
    } catch (const std::bad_alloc&) {
        // No room to record: draw what is recorded, then this one directly,
        // which counts its refusals itself.
        commands_.resize(commandMark);
        vertices_.resize(vertexMark);
        surfaces_.resize(surfaceMark);
        haveSurface_ = hadSurface;
        flush();
        main.counters = before;
        filler.drawPolygon(main, polygon, count);
    }
}

void BandRenderer::recordClear(uint16_t pixel) {
    try {
        commands_.push_back({Kind::Clear, pixel, 0, 0, 0, 0});
    } catch (const std::bad_alloc&) {
        flush();
        std::fill(pixels_, pixels_ + static_cast<std::size_t>(width_) * static_cast<std::size_t>(bands_.back().endRow),
                  pixel);
    }
}

void BandRenderer::recordResetDepth() {
    try {
        commands_.push_back({Kind::ResetDepth, 0, 0, 0, 0, 0});
    } catch (const std::bad_alloc&) {
        flush();
        std::fill(depth_, depth_ + static_cast<std::size_t>(width_) * static_cast<std::size_t>(bands_.back().endRow),
                  kEmptyDepth);
    }
}

void BandRenderer::flush() {
    if (commands_.empty()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        busy_ = static_cast<int32_t>(workers_.size());
        ++generation_;
    }
    start_.notify_all();
    replay(bands_[0]);
    {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return busy_ == 0; });
    }
    commands_.clear();
    vertices_.clear();
    surfaces_.clear();
    haveSurface_ = false;
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
        replay(bands_[index]);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (--busy_ == 0) done_.notify_one();
        }
    }
}

void BandRenderer::replay(Band& band) {
    if (band.firstRow >= band.endRow) return;
    Rasterizer& r = *band.r;
    const std::size_t rowsFrom = static_cast<std::size_t>(band.firstRow) * static_cast<std::size_t>(width_);
    const std::size_t rowsPixels = static_cast<std::size_t>(band.endRow - band.firstRow) * static_cast<std::size_t>(width_);
    const SurfaceFiller* filler = nullptr;
    RasterVertex corners[Rasterizer::kClipListSize];
    RasterVertex* pointers[Rasterizer::kClipListSize];
    for (int k = 0; k < Rasterizer::kClipListSize; ++k) pointers[k] = &corners[k];

    for (const Command& command : commands_) {
        switch (command.kind) {
        case Kind::Surface:
            applySurface(r, surfaces_[command.first]);
            filler = surfaces_[command.first].filler;
            break;
        case Kind::Polygon: {
            if (!filler || command.endRow <= band.firstRow || command.firstRow >= band.endRow) break;
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
            filler->drawPolygon(r, pointers, command.count);
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
