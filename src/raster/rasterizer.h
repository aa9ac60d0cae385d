// Rasterizer: the one drawing context of the viewer. It holds the render
// target and its depth buffer, the projection constants used by near-plane
// clipping, the clipper's lists and pool, the per-shape span modes, the
// blending table, the edge and gradient state of the scan converter and the
// texture cache.
//
// Members are public and kept in their documented order, like the record they
// describe. The scene side (render/) uses the operations of this header and
// the records of raster_types.h, nothing else of raster/; it sets the camera
// before each frame.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "raster/bitmap.h"
#include "raster/raster_types.h"
#include "base/simple_array.h"
#include "base/values.h"

class ImageSource;
namespace raster {
class BandRenderer;
}

// Screen-space gradients of the current triangle (per pixel in x and in y).
struct Gradients {
    float dPerspDx = 0.0f, dPerspDy = 0.0f;
    float dUPerspDx = 0.0f, dUPerspDy = 0.0f;  // textured only
    float dVPerspDx = 0.0f, dVPerspDy = 0.0f;  // textured only
    float dShadeDx = 0.0f, dShadeDy = 0.0f;    // shaded only
    int32_t uRound = 0, vRound = 0;            // 0x8000 or 0x7FFF, added to 16.16 texel coordinates
    float dPerspDx16 = 0.0f, dUPerspDx16 = 0.0f, dVPerspDx16 = 0.0f;  // one 16-pixel block
    // coloured only: channel units (0..255) per pixel
    float dRedDx = 0.0f, dRedDy = 0.0f;
    float dGreenDx = 0.0f, dGreenDy = 0.0f;
    float dBlueDx = 0.0f, dBlueDy = 0.0f;
};

// One edge of the triangle being walked, stepped one scanline at a time with
// an exact integer error term (top-left fill rule).
struct Edge {
    int32_t column = 0;       // left: first covered column; right: first column not covered
    int32_t columnStep = 0;   // whole columns per scanline
    int32_t numerator = 0;    // fractional step per scanline, in 1/denominator columns
    int32_t denominator = 0;  // 16 x edge height in 1/16 pixels
    int32_t errorTerm = 0;    // accumulated fraction, 0 .. denominator - 1
    int32_t rowStart = 0;     // left edge only: scanline x target width
    int32_t rowsLeft = 0;     // scanlines left on this edge
    float persp = 0.0f, perspStep = 0.0f, perspStepExtra = 0.0f;
    float uPersp = 0.0f, uPerspStep = 0.0f, uPerspStepExtra = 0.0f;  // textured only
    float vPersp = 0.0f, vPerspStep = 0.0f, vPerspStepExtra = 0.0f;  // textured only
    float shade = 0.0f, shadeStep = 0.0f, shadeStepExtra = 0.0f;      // shaded only
    // coloured only, left edges only: channel units (0..255). Set by the
    // coloured walk's start before it reads them, and never read by the
    // other walks, so they carry no initializer: every triangle makes two
    // edges, and zeroing these too made the plain walks some 15% slower.
    float red, redStep, redStepExtra;
    float green, greenStep, greenStepExtra;
    float blue, blueStep, blueStepExtra;
};

// Input refused on the way to the pixels. The counts only grow; readers take
// differences.
struct RasterCounters {
    uint32_t facesRefused = 0;         // faces naming a vertex, texture point or shade that does not exist
    uint32_t trianglesInvalid = 0;     // non-finite or off-target screen values after clipping
    uint32_t trianglesDegenerate = 0;  // zero area after the 28.4 snap
    uint32_t clipOverflows = 0;        // the clipper ran out of list or pool space
};

class Rasterizer {
public:
    static constexpr int kClipListSize = 20;
    static constexpr int kClipPoolSize = 21;
    // Threads setThreads accepts at most.
    static constexpr int32_t kMaxThreads = 64;
    // Targets below this many pixels are drawn on one thread whatever the
    // thread count: at 240 x 320 and under, waking a second thread and
    // recording the frame cost more than the second band saves.
    static constexpr int32_t kParallelMinPixels = 240 * 320 + 1;

    // Fills reciprocals and the weight table; no target yet.
    Rasterizer();
    // Draws what is still recorded (flush), stops the threads, frees the
    // weight table, the depth buffer and every cached texture.
    ~Rasterizer();
    Rasterizer(const Rasterizer&) = delete;
    Rasterizer& operator=(const Rasterizer&) = delete;

    // --- frame buffer ---

    // Makes the bitmap the render target (after drawing what is recorded
    // into the old one): copies its size and pixel pointer,
    // replaces the depth buffer with one of the new size (contents undefined
    // until resetDepth) and resets the projection constants (field of view
    // 0.785398, near 1, far 32767). When the depth buffer cannot be had the
    // target is dropped (width and height 0) and nothing is drawn.
    void attachTarget(Bitmap* bitmap);
    // Fills the target with packRgb565 of the colour (recorded, when drawing
    // is recorded for several threads).
    void clearColor(float r, float g, float b);
    // Marks every depth entry as empty (0xFFFFFFFF, farther than any surface;
    // recorded likewise).
    void resetDepth();

    // --- threads (raster/band_renderer.cpp) ---

    // Draws with `threads` threads from now on (after drawing what is
    // recorded): 1 (or less) draws on the caller's thread as it goes; more
    // (at most kMaxThreads) starts that many - 1 worker threads, which live
    // until the next setThreads or the destructor. Then, on a target of at
    // least minPixels pixels, triangles, clears and depth resets are recorded
    // and drawn at flush, in bands of rows, one per thread, with pixels,
    // depth entries and counters exactly as one thread makes them. Threads
    // that cannot be started leave fewer bands.
    void setThreads(int32_t threads, int32_t minPixels = kParallelMinPixels);
    // The threads drawing: 1, or what setThreads could start.
    int32_t threadCount() const;
    // Draws everything recorded and returns when the target and the depth
    // buffer hold it all. Whoever reads or writes them other than through
    // this class (text, blits, presenting, tests) flushes first; textures
    // that recorded triangles use must live until then. Nothing to do when
    // drawing is not recorded.
    void flush();

    // --- polygon pipeline ---

    // focal = -min(targetWidth >> 1, targetHeight >> 1) / tan(angle / 2).
    void setFieldOfView(float angle);
    // The camera of the frame about to be drawn: near-plane clipping projects
    // the vertices it makes with the same near distance and focal length as
    // the scene side projected the others.
    void setCamera(float nearDistance, float farDistance, float focalLength);
    // Selects the span modes, colours, blending rows and texel addressing of one
    // shape. A texture whose size is not a square 32, 64, 128 or 256 turns
    // texturing off for the shape.
    void beginSurface(const SurfaceState& surface);
    // Draws one indexed face set: fan-triangulates each face of coordIndex
    // (faces end at -1 or at the end of the list), culls back faces unless
    // twoSided, clips and scan-converts. texPoints holds (s, t) pairs; an empty
    // texPoints or shades switches texturing or shading off for this call; an
    // empty texCoordIndex or shadeIndex means "use coordIndex". A face naming a
    // vertex, texture point or shade that does not exist is not drawn. Each
    // face's texture coordinates lose the whole 256-repeat spans of its first
    // corner's (none below 256), which leaves every texel where it was.
    void drawIndexedFaces(const SurfaceState& surface, std::span<RasterVertex> vertices,
                          std::span<const ShadeEntry> shades, std::span<const int32_t> coordIndex,
                          std::span<const Vec2f> texPoints, std::span<const int32_t> texCoordIndex,
                          std::span<const int32_t> shadeIndex, bool ccw, bool twoSided);
    // drawIndexedFaces with a colour per corner instead of the surface's
    // colours (raster/colour_fill.cpp fills the spans): each corner takes
    // colours[colourIndex at its coordIndex position] (r, g, b in 0..1; an
    // empty colourIndex means "use coordIndex"), interpolated across the triangle in screen
    // space, channels held to 0..255 per pixel; depth and transparency as the
    // surface gives them. The surface's lit flag and colours are not used
    // (the colours are final). A textured surface draws its texels and the
    // colours are ignored; empty colours draw the surface's emissive colour.
    // A face naming a colour that does not exist is refused like one naming
    // a missing vertex.
    void drawIndexedFacesColoured(const SurfaceState& surface, std::span<RasterVertex> vertices,
                                  std::span<const Color4f> colours, std::span<const int32_t> coordIndex,
                                  std::span<const Vec2f> texPoints, std::span<const int32_t> texCoordIndex,
                                  std::span<const int32_t> colourIndex, bool ccw, bool twoSided);
    // Clips one triangle given in counter-clockwise screen order against the
    // near plane and the screen edges and scan-converts what is left. Writes
    // only inside the target: a clipped triangle with a vertex off the target
    // or a non-finite value (or a non-positive perspective) is refused, and so
    // is one of zero area after the 28.4 snap; both are counted.
    void drawTriangle(RasterVertex* a, RasterVertex* b, RasterVertex* c);

    // --- lines and points (raster/lines.cpp) ---

    // A one-pixel line from a to b, vertices as transformVertices makes them
    // (camera-space x, y, z; sx, sy and perspective unless outcode is
    // kOutNear), in the colours rgbA at a and rgbB at b (0xRRGGBB),
    // interpolated along it. Cut at the near plane in camera space first,
    // then to the target; each pixel is depth-tested like a span's pixel
    // (drawn when nearer than the stored depth), its depth 65536 /
    // perspective from the perspective stepped along the line in fixed
    // point (an integer division per pixel). With the opaque surface of the
    // last beginSurface the pixel stores its depth; with a transparent one
    // it is blended by the surface's weights and the depth is kept. Both
    // ends are drawn. Lines whose ends lie beyond one and the same clip
    // boundary, or carry a value that is not finite, draw nothing. Drawn at
    // once, after whatever is recorded for the bands.
    void drawLine(const RasterVertex& a, const RasterVertex& b, uint32_t rgbA, uint32_t rgbB);
    // One pixel at the vertex (the pixel whose centre is nearest), depth-
    // tested and written like a line's; nothing for a vertex off the
    // target, not in front of the near plane or beyond the far distance.
    void drawPoint(const RasterVertex& p, uint32_t rgb);

    // --- scan conversion ---

    // Screen-space gradients of perspective (and of uPersp, vPersp when
    // textureMode, shade when shadeMode) over the triangle's 28.4-snapped
    // positions, their 16-pixel multiples and the texel rounding terms. A
    // triangle of zero snapped area gets zero gradients.
    void setupGradients(const RasterVertex& v0, const RasterVertex& v1, const RasterVertex& v2);
    // Fills the counter-clockwise screen polygon of count (3 .. 20) vertices
    // with the current surface, one scanline span at a time (top-left rule).
    // Expects setupGradients of the same vertices. Draws nothing when no
    // target is attached or a vertex lies outside the target. Draws at once,
    // after what is recorded (initEdge flushes too, so the stepping and the
    // fillers that follow it also draw after it).
    void scanTriangle(RasterVertex* const* polygon, int count);
    // Starts an edge from top to bottom: its first scanline, the number of
    // scanlines it covers (0 or less: none), the exact column and error term
    // and the interpolated quantities at its first covered pixel. Vertices
    // must lie inside the target.
    void initEdge(Edge& edge, const RasterVertex& top, const RasterVertex& bottom, bool leftEdge);
    // Moves both edges down one scanline.
    void stepEdges();
    // Fills the current scanline from the left edge's column up to, not
    // including, the right edge's with the untextured surface: depth test,
    // then the emissive or shaded colour, blended when transparent.
    void fillSpan();
    // The same with the texture's texels, perspective-correct at every 16th
    // pixel and affine in between.
    void fillSpanTextured();

    // --- textures (raster/texture_cache.cpp) ---

    // The cached texture of the full image name (compared exactly, case
    // included), or else a new one: the image loaded through the driver's
    // loadImage(name, -1, -1, 0), made square by makeTextureBitmap and
    // appended to the cache. Null, with nothing cached, when there is no
    // driver, the image cannot be loaded or memory runs out; a later call
    // with the same name tries again. The entry belongs to the cache and
    // lives as long as the Rasterizer.
    const TextureEntry* getTexture(const std::u16string& name);
    // A texture made of a picture the world itself holds (not loaded from a
    // file): made square by makeTextureBitmap and appended to the cache
    // under the name, without looking for an entry of that name first.
    // Null, with nothing cached, when the picture is empty or memory runs
    // out. The entry belongs to the cache like every other.
    const TextureEntry* addTexture(OwnedBitmap picture, const std::u16string& name);

    // --- members, in record order ---

    ImageSource* driver = nullptr;  // not owned; loads texture images
    SimpleArray<TextureEntry*> textureCache;  // entries owned, in order of first load

    Bitmap* target = nullptr;  // not owned
    int32_t targetWidth = 0;
    int32_t targetHeight = 0;
    int32_t pixelCount = 0;
    uint16_t* targetPixels = nullptr;
    uint32_t* depth = nullptr;  // owned; 16.16 depth, 0xFFFFFFFF = empty

    float near = 1.0f;
    float far = 32767.0f;
    float focal = 0.0f;
    float halfWidth = 0.0f;
    float halfHeight = 0.0f;
    RasterVertex* listA[kClipListSize] = {};
    RasterVertex* listB[kClipListSize] = {};
    RasterVertex clipPool[kClipPoolSize] = {};
    int32_t clipPoolUsed = 0;
    uint8_t textureMode = 0;
    uint8_t shadeMode = 0;
    uint8_t opaqueMode = 0;
    uint8_t diffuseR = 0, diffuseG = 0, diffuseB = 0;
    uint16_t emissivePixel = 0;
    uint8_t emissiveR = 0, emissiveG = 0, emissiveB = 0;
    int32_t oldWeightRow = 0;  // transparency t x 256: weight of the old pixel
    int32_t newWeightRow = 0;  // (255 - t) x 256: weight of the new colour
    const Bitmap* textureBitmap = nullptr;
    int32_t texMask = 0;      // (size - 1) << 16
    int32_t texRowShift = 0;  // 16 - log2(size)
    float texScaleU = 0.0f;   // size - 1
    float texScaleV = 0.0f;

    float reciprocals[17] = {};       // 1 / i; entry 0 unused
    int32_t* weightTable = nullptr;   // owned; 256 x 256, entry k * 256 + j = j * k / 255
    Gradients gradients;
    Edge leftEdge;
    Edge rightEdge;

    // --- diagnostics, after the record ---
    RasterCounters counters;

    // --- per-vertex colour, after the record ---
    // Set by drawIndexedFacesColoured for its faces (0 again when it
    // returns): untextured spans then interpolate the corners' red, green
    // and blue instead of using the surface's colours. Tests set it to drive
    // fillSpan and scanTriangle with the coloured filler.
    uint8_t colourMode = 0;

    // --- band drawing, after the record ---
    // The first row this rasterizer may write: 0, except in the rasterizer
    // of a band, which walks the rows above it without filling them (and
    // whose pixelCount ends at its last row).
    int32_t bandFirstRow = 0;
    std::unique_ptr<raster::BandRenderer> bands;  // null with one thread
};
