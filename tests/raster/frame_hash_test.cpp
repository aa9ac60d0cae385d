// Regression pins for the whole polygon pipeline: seeded random meshes of
// every surface case (flat or shaded, opaque or transparent, untextured or
// textured at every texture size) drawn over a noisy frame, with triangles
// that cross the near plane and the screen edges, tiny and degenerate ones,
// wide ones whose spans run over many 16-pixel blocks, faces with bad
// indices and shades beyond the saturation ceiling. Each case ends in one
// hash of the frame buffer, the depth buffer and the refusal counters.
//
// The pinned values were recorded from the straightforward pipeline, before
// any of its fast paths; every optimisation must reproduce them bit for bit.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "raster_fixture.h"
#include "seeded_random.h"

namespace {

using namespace raster_test;

// FNV-1a over the bytes of the frame, the depth buffer and the counters.
class FrameHash {
public:
    void add(uint64_t value, int bytes) {
        for (int k = 0; k < bytes; ++k) {
            hash_ ^= (value >> (8 * k)) & 0xFF;
            hash_ *= 0x100000001B3ull;
        }
    }
    uint64_t value() const { return hash_; }

private:
    uint64_t hash_ = 0xCBF29CE484222325ull;
};

uint64_t hashCanvas(const Canvas& c) {
    FrameHash h;
    const int32_t n = c.width() * c.height();
    for (int32_t i = 0; i < n; ++i) h.add(c.bitmap->pixels[i], 2);
    for (int32_t i = 0; i < n; ++i) h.add(c.r.depth[i], 4);
    h.add(c.r.counters.facesRefused, 4);
    h.add(c.r.counters.trianglesInvalid, 4);
    h.add(c.r.counters.trianglesDegenerate, 4);
    h.add(c.r.counters.clipOverflows, 4);
    return h.value();
}

struct SurfaceCase {
    const char* name;
    bool lit;
    float transparency;
    int32_t textureSize;  // 0: untextured; 48: a size texturing refuses
    uint64_t expected[2];  // at 61 x 47 and at 200 x 150
};

// One mesh of random faces over the vertices, drawn through drawIndexedFaces.
struct MeshDraw {
    std::vector<RasterVertex> vertices;
    std::vector<ShadeEntry> shades;
    std::vector<Vec2f> texPoints;
    std::vector<int32_t> coordIndex, texCoordIndex, shadeIndex;
};

void randomAttributes(Random& random, MeshDraw& m, bool extremeShades) {
    const size_t n = m.vertices.size();
    m.shades.clear();
    m.texPoints.clear();
    for (size_t k = 0; k < n; ++k) {
        float intensity = random.uniform(0.0f, 1.6f);
        if (extremeShades && random.chance(10)) intensity = random.chance(50) ? 300.0f : -0.4f;
        m.shades.push_back({0, 0, 1, intensity});
        m.texPoints.push_back({random.uniform(-2.5f, 2.5f), random.uniform(-2.5f, 2.5f)});
    }
}

// Faces of 3 to 6 corners; now and then a corner names a vertex that does not
// exist, and separate texture and shade index lists are used half the time.
void randomFaces(Random& random, MeshDraw& m, int faces, bool badIndices) {
    const int32_t n = static_cast<int32_t>(m.vertices.size());
    m.coordIndex.clear();
    m.texCoordIndex.clear();
    m.shadeIndex.clear();
    const bool separate = random.chance(50);
    for (int f = 0; f < faces; ++f) {
        const int corners = 3 + random.below(4);
        for (int k = 0; k < corners; ++k) {
            int32_t index = random.below(n);
            if (badIndices && random.chance(2)) index = n + random.below(3);
            m.coordIndex.push_back(index);
            if (separate) {
                m.texCoordIndex.push_back(random.below(n));
                m.shadeIndex.push_back(random.below(n));
            }
        }
        m.coordIndex.push_back(-1);
        if (separate) {
            m.texCoordIndex.push_back(-1);
            m.shadeIndex.push_back(-1);
        }
    }
    if (random.chance(30)) m.coordIndex.pop_back();  // the last face ends at the end of the list
}

void drawMesh(Canvas& c, const SurfaceState& surface, Random& random, const MeshDraw& m) {
    const bool ccw = random.chance(50), twoSided = random.chance(40);
    std::vector<RasterVertex> vertices = m.vertices;
    c.r.drawIndexedFaces(surface, vertices, m.shades, m.coordIndex, m.texPoints, m.texCoordIndex, m.shadeIndex,
                         ccw, twoSided);
}

// Camera-space points spread beyond the screen, some behind the near plane.
void cameraCloud(Canvas& c, Random& random, MeshDraw& m, int count) {
    m.vertices.clear();
    for (int k = 0; k < count; ++k) {
        float z = random.uniform(-40.0f, -2.0f);
        if (random.chance(15)) z = random.uniform(-3.0f, 4.0f);
        const float reach = -z * 0.6f + 1.0f;
        m.vertices.push_back(
            cameraVertex(c.r, random.uniform(-reach, reach), random.uniform(-reach, reach), z));
    }
}

// Screen-space points within `spread` pixels of a centre (or of anywhere).
void screenCluster(Canvas& c, Random& random, MeshDraw& m, int count, float spread) {
    m.vertices.clear();
    const float cx = random.uniform(-2.0f, static_cast<float>(c.width()) + 2.0f);
    const float cy = random.uniform(-2.0f, static_cast<float>(c.height()) + 2.0f);
    for (int k = 0; k < count; ++k) {
        m.vertices.push_back(screenVertex(c.r, cx + random.uniform(-spread, spread),
                                          cy + random.uniform(-spread, spread), random.uniform(-30.0f, -2.0f)));
    }
}

// Collinear points, repeated points and points on one scanline.
void degenerateSet(Canvas& c, Random& random, MeshDraw& m) {
    m.vertices.clear();
    const float x0 = random.uniform(0.0f, static_cast<float>(c.width()));
    const float y0 = random.uniform(0.0f, static_cast<float>(c.height()));
    const float dx = random.uniform(-9.0f, 9.0f), dy = random.uniform(-9.0f, 9.0f);
    for (int k = 0; k < 3; ++k)
        m.vertices.push_back(screenVertex(c.r, x0 + dx * static_cast<float>(k), y0 + dy * static_cast<float>(k)));
    m.vertices.push_back(m.vertices[0]);
    const float row = static_cast<float>(random.below(c.height())) + 0.25f;
    m.vertices.push_back(screenVertex(c.r, x0, row));
    m.vertices.push_back(screenVertex(c.r, x0 + 7.5f, row + 0.01f));
    m.vertices.push_back(screenVertex(c.r, x0 - 3.0f, row + 0.02f));
}

// Vertices whose outcodes say "on screen" while some lie just off it, and
// corners with a non-finite shade or texture coordinate or a perspective
// that is not positive: the pipeline must refuse those triangles.
void lyingSet(Canvas& c, Random& random, MeshDraw& m) {
    screenCluster(c, random, m, 8, 5.0f);
    for (RasterVertex& v : m.vertices) v.outcode = 0;
    m.vertices[0].perspective = random.chance(50) ? 0.0f : -1.0f;
}

void poisonAttributes(Random& random, MeshDraw& m) {
    m.shades[static_cast<size_t>(random.below(static_cast<int32_t>(m.shades.size())))].intensity =
        std::numeric_limits<float>::quiet_NaN();
    m.texPoints[static_cast<size_t>(random.below(static_cast<int32_t>(m.texPoints.size())))].x =
        std::numeric_limits<float>::infinity();
}

// Large triangles through drawTriangle directly, spanning the target, with
// perspective and texture coordinates varying strongly along the spans.
void wideTriangles(Canvas& c, Random& random, int count) {
    const float w = static_cast<float>(c.width()), h = static_cast<float>(c.height());
    for (int k = 0; k < count; ++k) {
        RasterVertex v[3];
        for (RasterVertex& vertex : v) {
            vertex = screenVertex(c.r, random.uniform(-0.2f * w, 1.2f * w), random.uniform(-0.2f * h, 1.2f * h),
                                  random.uniform(-60.0f, -1.5f));
            vertex.u = random.uniform(-3.0f, 3.0f);
            vertex.v = random.uniform(-3.0f, 3.0f);
            vertex.shade = random.uniform(0.0f, 1.3f);
        }
        // Counter-clockwise on the screen: swap when the signed area says otherwise.
        const float area = (v[1].sx - v[0].sx) * (v[2].sy - v[0].sy) - (v[2].sx - v[0].sx) * (v[1].sy - v[0].sy);
        if (area < 0.0f) c.r.drawTriangle(&v[0], &v[1], &v[2]);
        else c.r.drawTriangle(&v[0], &v[2], &v[1]);
    }
}

uint64_t drawCase(const SurfaceCase& sc, int32_t width, int32_t height, uint64_t seed) {
    Random random(seed);
    Canvas c(width, height);
    for (int32_t i = 0; i < width * height; ++i) c.bitmap->pixels[i] = static_cast<uint16_t>(random.next());
    c.r.near = 1.0f;

    OwnedBitmap texture;
    TextureEntry entry;
    SurfaceState surface;
    surface.lit = sc.lit ? 1 : 0;
    surface.transparency = sc.transparency;
    surface.opaque = sc.transparency > 0.0f ? 0 : 1;
    for (int k = 0; k < 3; ++k) {
        surface.diffuse[k] = random.uniform(0.2f, 1.0f);
        surface.emissive[k] = random.uniform(0.0f, 0.3f);
    }
    if (sc.textureSize > 0) {
        texture = newBitmap(sc.textureSize, sc.textureSize, false);
        for (int32_t i = 0; i < sc.textureSize * sc.textureSize; ++i)
            texture->pixels[i] = static_cast<uint16_t>(random.next());
        entry = TextureEntry{texture.get(), u"noise"};
        surface.textured = 1;
        surface.texture = &entry;
    }

    MeshDraw m;
    for (int round = 0; round < 6; ++round) {
        cameraCloud(c, random, m, 24);
        randomAttributes(random, m, true);
        randomFaces(random, m, 14, true);
        drawMesh(c, surface, random, m);

        screenCluster(c, random, m, 12, 1.3f);
        randomAttributes(random, m, false);
        randomFaces(random, m, 16, false);
        drawMesh(c, surface, random, m);

        degenerateSet(c, random, m);
        randomAttributes(random, m, false);
        randomFaces(random, m, 6, false);
        drawMesh(c, surface, random, m);

        lyingSet(c, random, m);
        randomAttributes(random, m, false);
        poisonAttributes(random, m);
        randomFaces(random, m, 6, false);
        drawMesh(c, surface, random, m);

        wideTriangles(c, random, 2);
    }
    entry.bitmap = nullptr;
    return hashCanvas(c);
}

TEST(RasterFrameHash, RandomMeshesOfEverySurfaceCase) {
    const SurfaceCase cases[] = {
        {"flat opaque", false, 0.0f, 0, {0x5F0E2C7F33513ADCull, 0x4D8D3509D2377935ull}},
        {"flat t=0.3", false, 0.3f, 0, {0x1CBE66C6E7A0CC55ull, 0x599BBDA9ECA42CC6ull}},
        {"flat t=0.5", false, 0.5f, 0, {0x7A52464DC7459E99ull, 0x5983AF9C371F4947ull}},
        {"flat t=1", false, 1.0f, 0, {0xC365ED79F748BE11ull, 0x1C1DF1DE195CBFD0ull}},
        {"shaded opaque", true, 0.0f, 0, {0xF6D89FABC28849F8ull, 0xAB9F531F1664495ull}},
        {"shaded t=0.3", true, 0.3f, 0, {0x4E59557B890E3E22ull, 0xEC7A90B0D1C375C1ull}},
        {"shaded t=0.5", true, 0.5f, 0, {0x6A2E8D4624C93141ull, 0x908E190522492FC9ull}},
        {"shaded t=0.9", true, 0.9f, 0, {0xDE296F8B5F3AD75Bull, 0x83FCA3C55A981EC1ull}},
        {"shaded t=1", true, 1.0f, 0, {0x268DD5A2CB27FCE9ull, 0x871616DD5B5DBDB7ull}},
        {"texture 32 flat opaque", false, 0.0f, 32, {0x8C2970FED45A062Bull, 0xADD57B93D331083ull}},
        {"texture 64 flat t=0.5", false, 0.5f, 64, {0xFD16B220AD6553C2ull, 0x46F1296C1D5DDDA5ull}},
        {"texture 128 shaded opaque", true, 0.0f, 128, {0xAD0BBA99AF3CAB1Bull, 0xA64408B8AB2E82DFull}},
        {"texture 256 shaded t=0.3", true, 0.3f, 256, {0xD71473AB5A5320F7ull, 0xB2B750FFE91DEFD4ull}},
        {"texture 32 shaded t=0.7", true, 0.7f, 32, {0x2AE5C961A39A76D9ull, 0x321535FE919E16B7ull}},
        {"texture 128 flat t=0.2", false, 0.2f, 128, {0x3ADD17C02C3A0E4Full, 0x10D48F07C7735B01ull}},
        {"texture 64 shaded t=1", true, 1.0f, 64, {0x20CB684C7B586F18ull, 0x61E71A25FFAC90Eull}},
        {"texture 48 refused, shaded", true, 0.0f, 48, {0x24E5BA64A244F3D1ull, 0x32432B03F4E7F28Bull}},
    };
    const struct {
        int32_t width, height;
    } sizes[] = {{61, 47}, {200, 150}};
    uint64_t seed = 1;
    for (const SurfaceCase& sc : cases) {
        for (int s = 0; s < 2; ++s) {
            const uint64_t got = drawCase(sc, sizes[s].width, sizes[s].height, seed++);
            EXPECT_EQ(got, sc.expected[s]) << sc.name << " at " << sizes[s].width << " x " << sizes[s].height
                                           << ": 0x" << std::hex << got;
        }
    }
}

}  // namespace
