// Drawing face geometry in the full profile: the choice between the colour
// filler (lit surfaces, and unlit ones with per-corner colours), the shade
// filler (lit textured surfaces, the texel scaled by one intensity) and the
// core path (unlit surfaces without colours), and the per-corner colours
// assembled from the lighting samples (full_lighting.h).
#include <algorithm>
#include <functional>
#include <memory>
#include <new>
#include <span>

#include "raster/rasterizer.h"
#include "render/full_lighting.h"
#include "render/full_textures.h"
#include "scene/full_light_record.h"
#include "scene/full_surface_nodes.h"
#include "scene/geometry_nodes.h"
#include "scene/node_types.h"
#include "scene/scene.h"
#include "scene/shape_nodes.h"

namespace {

// Entries of the colour, shade and index arrays at most (16 bytes each, the
// byte count inside 32 bits).
constexpr int32_t kMaxEntries = 268435456;

template <class T>
std::span<const T> spanOf(const SimpleArray<T>& array) {
    return std::span<const T>(array.items, static_cast<std::size_t>(array.count));
}

// Makes room for n entries in an array that only grows.
template <class T>
bool reserve(std::unique_ptr<T[]>& array, int32_t& capacity, int32_t n) {
    if (n <= capacity) return true;
    if (n >= kMaxEntries) return false;
    std::unique_ptr<T[]> fresh(new (std::nothrow) T[static_cast<std::size_t>(n)]);
    if (!fresh) return false;
    array = std::move(fresh);
    capacity = n;
    return true;
}

// 0, 1, ..., n - 1: the index list of entries made one per corner. Filled
// whole when (re)allocated, so a larger array already counts past n.
std::span<const int32_t> sequence(FullLighting& f, int32_t n) {
    if (n > f.sequenceCapacity) {
        if (!reserve(f.sequence, f.sequenceCapacity, n)) return {};
        for (int32_t i = 0; i < n; ++i) f.sequence[static_cast<std::size_t>(i)] = i;
    }
    return std::span<const int32_t>(f.sequence.get(), static_cast<std::size_t>(n));
}

bool sameEntries(std::span<const int32_t> a, std::span<const int32_t> b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

MaterialTerms materialTermsOf(const nShape* shape) {
    MaterialTerms terms;
    const X3DNode* appearance = shape ? shape->appearance.value : nullptr;
    if (!appearance || appearance->nodeType != NodeType::Appearance) return terms;
    const X3DNode* node = static_cast<const nAppearance&>(*appearance).material.value;
    if (!node || node->nodeType != NodeType::Material) return terms;
    terms.ambientIntensity = static_cast<const nMaterial&>(*node).ambientIntensity.value;
    if (const auto* full = dynamic_cast<const nFullMaterial*>(node)) {
        terms.shininess = full->shininess.value;
        terms.specular = full->specularColor.value;
    }
    return terms;
}

float clampUnit(float value) { return std::clamp(value, 0.0f, 1.0f); }

}  // namespace

void drawFullFaces(Scene& scene, const RenderRecord& record, const FullFaces& faces) {
    Rasterizer* rasterizer = scene.rasterizer;
    if (!rasterizer || !faces.points || faces.points->count == 0) return;
    const SimpleArray<Vec3f>& points = *faces.points;
    if (!scene.transformVertices(record.modelView, points)) return;
    const std::span<RasterVertex> vertices(scene.rasterVertices.get(), static_cast<std::size_t>(points.count));
    const std::span<const int32_t> coordIndex = faces.coordIndex;
    const std::span<const int32_t> normalIndex = faces.normalIndex.empty() ? coordIndex : faces.normalIndex;
    const std::span<const int32_t> colourIndex = faces.colourIndex.empty() ? coordIndex : faces.colourIndex;
    const bool twoSided = !faces.solid;
    FullLighting& f = scene.fullLighting;

    // Index lists shorter than coordIndex leave their attribute out.
    const bool normalsUsable = !faces.normals.empty() && normalIndex.size() >= coordIndex.size();
    SurfaceState surface = record.surface;
    const bool textured = surface.textured && !faces.texPoints.empty();
    const bool coloured = !faces.colours.empty() && !textured && colourIndex.size() >= coordIndex.size();
    if (surface.lit && !normalsUsable) {
        // As an unlit material: its emissive colour, or its diffuse colour
        // when it gives none.
        surface.lit = 0;
        const bool black = surface.emissive[0] == 0.0f && surface.emissive[1] == 0.0f && surface.emissive[2] == 0.0f;
        if (black) std::copy(surface.diffuse, surface.diffuse + 3, surface.emissive);
    }
    if (!surface.lit) {
        if (coloured)
            rasterizer->drawIndexedFacesColoured(surface, vertices, faces.colours, coordIndex, {}, {}, colourIndex,
                                                 faces.ccw, twoSided);
        else
            rasterizer->drawIndexedFaces(surface, vertices, {}, coordIndex, faces.texPoints, faces.texCoordIndex, {},
                                         faces.ccw, twoSided);
        return;
    }

    // Samples: the points when each point's corners share its normal.
    const bool perPoint = sameEntries(normalIndex, coordIndex);
    const int32_t samples = perPoint ? points.count : static_cast<int32_t>(coordIndex.size());
    const std::span<const int32_t> samplePoints = perPoint ? std::span<const int32_t>{} : coordIndex;
    const std::span<const int32_t> sampleNormals = perPoint ? std::span<const int32_t>{} : normalIndex;
    const MaterialTerms material = materialTermsOf(record.shape);
    // The record's place in the frame's list decides which DirectionalLights
    // reach it; a record from elsewhere is reached by all.
    int32_t recordIndex = kAnyRecord;
    const std::less<const RenderRecord*> before;
    const RenderRecord* list = scene.renderRecords.items;
    if (list && !before(&record, list) && before(&record, list + scene.renderRecords.count))
        recordIndex = static_cast<int32_t>(&record - list);
    if (!lightSamples(scene, record.normalMatrix, points.count, samplePoints, faces.normals, sampleNormals,
                      faces.frontNormals, samples, material, twoSided, recordIndex))
        return;
    const Color4f* terms = f.terms.get();

    if (textured) {
        // The texel scaled by the diffuse factor's mean: the lights' colours
        // and the highlight are not drawn on textures.
        if (!reserve(f.shades, f.shadeCapacity, samples)) return;
        for (int32_t i = 0; i < samples; ++i) {
            const Color4f& t = terms[2 * i];
            f.shades[static_cast<std::size_t>(i)].intensity = (t.r + t.g + t.b) * (1.0f / 3.0f);
        }
        const std::span<const int32_t> shadeIndex = perPoint ? coordIndex : sequence(f, samples);
        if (!perPoint && shadeIndex.empty() && samples > 0) return;
        rasterizer->drawIndexedFaces(surface, vertices,
                                     std::span<const ShadeEntry>(f.shades.get(), static_cast<std::size_t>(samples)),
                                     coordIndex, faces.texPoints, faces.texCoordIndex, shadeIndex, faces.ccw, twoSided);
        return;
    }

    // One colour per point when both the samples and the colours go by
    // point, else one per corner.
    const bool perPointColours = perPoint && (!coloured || sameEntries(colourIndex, coordIndex));
    const int32_t entries = perPointColours ? points.count : static_cast<int32_t>(coordIndex.size());
    if (!reserve(f.colours, f.colourCapacity, entries)) return;
    const Color4f diffuse{surface.diffuse[0], surface.diffuse[1], surface.diffuse[2], 0.0f};
    const float* emissive = surface.emissive;
    const Color4f& specular = material.specular;
    for (int32_t e = 0; e < entries; ++e) {
        int32_t sample = e;
        int32_t colourEntry = e;
        if (!perPointColours) {
            sample = perPoint ? coordIndex[static_cast<std::size_t>(e)] : e;
            colourEntry = colourIndex[static_cast<std::size_t>(e)];
        }
        Color4f& out = f.colours[static_cast<std::size_t>(e)];
        if (sample < 0 || sample >= samples) {
            out = Color4f{};  // a -1 entry or a missing point: never drawn
            continue;
        }
        const Color4f& base = coloured && colourEntry >= 0 && static_cast<std::size_t>(colourEntry) < faces.colours.size()
                                  ? faces.colours[static_cast<std::size_t>(colourEntry)]
                                  : diffuse;
        const Color4f& d = terms[2 * sample];
        const Color4f& s = terms[2 * sample + 1];
        out = Color4f{clampUnit(emissive[0] + base.r * d.r + specular.r * s.r),
                      clampUnit(emissive[1] + base.g * d.g + specular.g * s.g),
                      clampUnit(emissive[2] + base.b * d.b + specular.b * s.b), 0.0f};
    }
    const std::span<const int32_t> drawnIndex = perPointColours ? coordIndex : sequence(f, entries);
    if (drawnIndex.empty() && entries > 0) return;
    rasterizer->drawIndexedFacesColoured(surface, vertices,
                                         std::span<const Color4f>(f.colours.get(), static_cast<std::size_t>(entries)),
                                         coordIndex, {}, {}, drawnIndex, faces.ccw, twoSided);
}

void drawFullFaceSet(Scene& scene, const RenderRecord& record, nIndexedFaceSet& mesh) {
    const X3DNode* coordNode = mesh.coord.value;
    if (!coordNode || coordNode->nodeType != NodeType::Coordinate) return;
    FullFaces faces;
    faces.points = &static_cast<const nCoordinate&>(*coordNode).point.value;
    faces.coordIndex = spanOf(mesh.coordIndex.value);
    faces.ccw = mesh.ccw.value;
    faces.solid = mesh.solid.value;
    const X3DNode* texNode = mesh.texCoord.value;
    if (texNode && texNode->nodeType == NodeType::TextureCoordinate) {
        faces.texPoints =
            scene.shapeTexturePoints(record, spanOf(static_cast<const nTextureCoordinate&>(*texNode).point.value));
        faces.texCoordIndex = spanOf(mesh.texCoordIndex.value);
    } else if (record.surface.textured && defaultTexturePoints(*faces.points, scene.defaultTexPoints)) {
        // Without texture coordinates the picture is laid over the mesh's
        // box, one point each (the corners then use coordIndex).
        faces.texPoints = scene.shapeTexturePoints(record, spanOf(scene.defaultTexPoints));
    }

    auto* full = dynamic_cast<nFullIndexedFaceSet*>(&mesh);
    if (full) full->resolveSurfaceIndexes();
    auto pick = [&](const CornerIndexes& corners) {
        return corners.likeCoordIndex ? faces.coordIndex : spanOf(corners.index);
    };
    // A Color or Normal node counts only when it has an entry for every
    // corner of every face that is drawn.
    if (full && full->color.value && full->color.value->nodeType == NodeType::Color) {
        const SimpleArray<Color4f>& colours = static_cast<const nColor&>(*full->color.value).color.value;
        const CornerIndexes& corners = full->colourCorners;
        if (corners.usable && corners.needed > 0 && corners.needed <= colours.count) {
            faces.colours = spanOf(colours);
            faces.colourIndex = pick(corners);
        }
    }
    if (record.surface.lit) {
        bool given = false;
        if (full && full->normal.value && full->normal.value->nodeType == NodeType::Normal) {
            const SimpleArray<Vec3f>& vectors = static_cast<const nNormal&>(*full->normal.value).vector.value;
            const CornerIndexes& corners = full->normalCorners;
            if (corners.usable && corners.needed > 0 && corners.needed <= vectors.count) {
                faces.normals = spanOf(vectors);
                faces.normalIndex = pick(corners);
                faces.frontNormals = true;
                given = true;
            }
        }
        if (!given) {
            if (mesh.normalsStale) {
                mesh.prepareNormals();
                mesh.normalsStale = false;
            }
            // No normals for a mesh with faces: their storage could not be had.
            if (mesh.normals.count == 0 && mesh.coordIndex.value.count != 0) return;
            faces.normals = spanOf(mesh.normals);
            faces.normalIndex = spanOf(mesh.normalIndex);
        }
    }
    drawFullFaces(scene, record, faces);
}
