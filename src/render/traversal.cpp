// The drawing half of the frame: the scene graph is walked from the root into
// render records and lights, and the records are drawn, every opaque shape
// before every other one. Nothing is kept from one frame to the next but the
// storage of the lists.
//
// Culling happens before any per-face work: grouping nodes by their declared
// box (whole subtrees), shapes by their geometry's box, meshes by the AND of
// their vertex clip codes. The walk is bounded in depth and in the number of
// nodes it visits, so a file that nests or shares groups without end cannot
// exhaust the stack or stall the frame.
#include <algorithm>
#include <cstdint>
#include <span>

#include "base/limits.h"
#include "base/log.h"
#include "raster/rasterizer.h"
#include "render/camera.h"
#include "render/full_lighting.h"
#include "render/full_textures.h"
#include "render/line_draw.h"
#include "render/sky.h"
#include "scene/bindable_nodes.h"
#include "scene/geometry_nodes.h"
#include "scene/grouping_nodes.h"
#include "scene/light_nodes.h"
#include "scene/mesh_form.h"
#include "scene/node_registry.h"
#include "scene/node_types.h"
#include "scene/scene.h"
#include "scene/shape_nodes.h"

namespace {

// The headlight travels straight away from the eye with full intensity.
constexpr LightRecord kHeadlight{0.0f, 0.0f, -1.0f, 1.0f};

template <class T>
std::span<const T> spanOf(const SimpleArray<T>& array) {
    return std::span<const T>(array.items, static_cast<std::size_t>(array.count));
}

bool isBlack(const float colour[3]) { return colour[0] == 0.0f && colour[1] == 0.0f && colour[2] == 0.0f; }

}  // namespace

void Scene::drawWorld() {
    renderRecords.clear();
    opaqueList.clear();
    transparentList.clear();
    lights.clear();
    fullLighting.lights.clear();
    traversalBudget = kMaxTraversalVisits;
    traverseGroup(root, viewMatrix, viewMatrix, 0);

    const nNavigationInfo* info = boundNavigationInfo ? boundNavigationInfo : defaultNavigationInfo;
    if (info && info->headlight.value) {
        lights.append(kHeadlight);  // on top of the four scene lights
        if (profile == Profile::Full) appendFullHeadlight(*this);
    }

    if (!rasterizer) return;
    // Near-plane clipping must project the vertices it makes like the others:
    // same near distance, same focal length.
    rasterizer->setCamera(nearDistance, farDistance, focalLength);
    // The full profile's sky and ground bands, behind everything.
    if (profile == Profile::Full) paintSky(*this);
    for (int32_t index : opaqueList) drawRecord(renderRecords[index]);
    for (int32_t index : transparentList) drawRecord(renderRecords[index]);
    // The world is in the frame buffer when the frame's drawing returns,
    // whatever threads draw it.
    rasterizer->flush();
}

void Scene::traverseGroup(X3DNode* node, const Matrix& full, const Matrix& rotation, int32_t depth) {
    if (!node || node->category != NodeCategory::Grouping) return;
    if (depth > kMaxGraphDepth) {
        if (!depthLimitReported)
            logFormat("World nested deeper than %d levels: the deeper nodes are not drawn", long{kMaxGraphDepth});
        depthLimitReported = true;
        return;
    }

    Matrix groupFull = full;
    Matrix groupRotation = rotation;
    int32_t first = 0, end = INT32_MAX;  // the children to visit: all but under a Switch or LOD
    if (node->nodeType == NodeType::Transform) {
        const TransformMatrices local = transformMatrices(static_cast<const nTransform&>(*node));
        // A Transform that flattens its children (a scale of 0) draws what
        // its matrix gives them; only one that is not finite, or whose chain
        // overflows, hides them (nothing not finite may reach the
        // rasterizer).
        if (!matrixFinite(local.full)) return;
        matrixMultiply(groupFull, local.full, full);
        matrixMultiply(groupRotation, local.rotation, rotation);
        if (!matrixFinite(groupFull) || !matrixFinite(groupRotation)) return;
    } else if (node->nodeType != NodeType::Group && node->nodeType != NodeType::Anchor) {
        // The full profile's grouping nodes (render/full_grouping.cpp).
        if (!fullGroupFrame(*node, groupFull, groupRotation, first, end)) return;
    }

    const auto& group = static_cast<const X3DGroupingNode&>(*node);
    if (!boxVisible(groupFull, group.bboxCenter.value, group.bboxSize.value)) return;

    const SimpleArray<X3DNode*>& children = group.children.value;
    const int32_t count = children.count < end ? children.count : end;
    const int32_t firstRecord = renderRecords.count;
    const int32_t firstFullLight = fullLighting.lights.count;
    for (int32_t i = first; i < count && i < children.count; ++i) {
        X3DNode* child = children[i];
        if (!child) continue;
        if (--traversalBudget < 0) {
            if (!visitLimitReported)
                logFormat("World too large: only the first %d nodes are drawn each frame", long{kMaxTraversalVisits});
            visitLimitReported = true;
            break;
        }
        switch (child->nodeType) {
        case NodeType::DirectionalLight:
            collectLight(static_cast<const nDirectionalLight&>(*child), groupRotation);
            if (profile == Profile::Full)
                collectFullLight(*this, static_cast<const X3DLightNode&>(*child), groupFull, groupRotation);
            break;
        case NodeType::PointLight:
        case NodeType::SpotLight:
            // Full profile only; their location needs the full matrix.
            collectFullLight(*this, static_cast<const X3DLightNode&>(*child), groupFull, groupRotation);
            break;
        case NodeType::Shape:
            collectShape(static_cast<nShape&>(*child), groupFull, groupRotation);
            break;
        default:
            traverseGroup(child, groupFull, groupRotation, depth + 1);
            break;
        }
    }
    if (profile == Profile::Full) scopeDirectionalLights(*this, firstFullLight, firstRecord);
    if (node->nodeType == NodeType::Collision) finishCollision(*node, firstRecord, groupFull, groupRotation, depth);
}

void Scene::collectShape(nShape& shape, const Matrix& full, const Matrix& rotation) {
    // White diffuse, grey emissive, not transparent, untextured, and neither
    // opaque nor lit: a shape without a material is drawn grey, blended pass.
    currentSurface = SurfaceState{};
    if (profile == Profile::Full) {
        // Without a material VRML97 draws unlit white, opaque.
        std::fill(currentSurface.emissive, currentSurface.emissive + 3, 1.0f);
        currentSurface.opaque = 1;
    }

    const X3DNode* appearance = shape.appearance.value;
    if (appearance && appearance->nodeType == NodeType::Appearance)
        applyAppearance(static_cast<const nAppearance&>(*appearance));
    if (shape.geometry.value) recordShape(shape.geometry.value, full, rotation, &shape);
}

void Scene::applyAppearance(const nAppearance& appearance) {
    SurfaceState& s = currentSurface;
    const X3DNode* materialNode = appearance.material.value;
    if (materialNode && materialNode->nodeType == NodeType::Material) {
        const auto& material = static_cast<const nMaterial&>(*materialNode);
        const Color4f& d = material.diffuseColor.value;
        const Color4f& e = material.emissiveColor.value;
        s.transparency = material.transparency.value;
        s.diffuse[0] = d.r, s.diffuse[1] = d.g, s.diffuse[2] = d.b;
        s.emissive[0] = e.r, s.emissive[1] = e.g, s.emissive[2] = e.b;
        s.opaque = !(s.transparency > 0.0f);
        // The full profile's lighting has ambient, emissive and specular
        // terms: a black diffuse colour does not make the surface unlit.
        s.lit = (profile == Profile::Full || !isBlack(s.diffuse)) && lighting;
        // Unlit, the shape shows its emissive colour; a material that gives
        // none shows its diffuse colour instead.
        if (!s.lit && isBlack(s.emissive)) std::copy(s.diffuse, s.diffuse + 3, s.emissive);
    }
    // An ImageTexture's loaded image, or a PixelTexture's picture.
    if (const TextureEntry* entry = textureEntryOf(appearance.texture.value)) {
        s.texture = entry;
        s.textured = 1;
    }
}

void Scene::recordShape(X3DNode* geometry, const Matrix& full, const Matrix& rotation, nShape* shape) {
    const int32_t index = renderRecords.count;
    // Recorded even when culled, so picking sees every shape; only the lists
    // decide what is drawn.
    if (!renderRecords.append(RenderRecord{full, rotation, currentSurface, geometry, shape})) return;

    bool visible = true;
    if (geometry->category == NodeCategory::Geometry) {
        Vec3f centre, size;
        if (static_cast<X3DGeometryNode&>(*geometry).bounds(centre, size)) visible = boxVisible(full, centre, size);
    }
    if (!visible) return;
    if (currentSurface.opaque) opaqueList.append(index);
    else transparentList.append(index);
}

void Scene::drawRecord(const RenderRecord& record) {
    if (!rasterizer || !record.geometry) return;
    if (record.geometry->nodeType != NodeType::IndexedFaceSet) {
        // Only the full profile makes geometry of other kinds.
        if (record.geometry->nodeType == NodeType::IndexedLineSet || record.geometry->nodeType == NodeType::PointSet) {
            render::drawPointGeometry(*this, record);
            return;
        }
        if (auto* form = dynamic_cast<X3DMeshGeometryNode*>(record.geometry)) drawMeshForm(record, form->meshForm());
        return;
    }
    auto& mesh = static_cast<nIndexedFaceSet&>(*record.geometry);
    if (profile == Profile::Full) {
        drawFullFaceSet(*this, record, mesh);
        return;
    }
    const X3DNode* coordNode = mesh.coord.value;
    if (!coordNode || coordNode->nodeType != NodeType::Coordinate) return;
    const SimpleArray<Vec3f>& points = static_cast<const nCoordinate&>(*coordNode).point.value;
    if (!transformVertices(record.modelView, points)) return;

    std::span<const ShadeEntry> shadeSpan;
    if (record.surface.lit) {
        if (mesh.normalsStale) {
            mesh.prepareNormals();
            mesh.normalsStale = false;
        }
        // No normals for a mesh with faces: their storage could not be had.
        if (mesh.normals.count == 0 && mesh.coordIndex.value.count != 0) return;
        if (!lightNormals(record.normalMatrix, mesh.normals, !mesh.solid.value)) return;
        shadeSpan = std::span<const ShadeEntry>(shades.get(), static_cast<std::size_t>(mesh.normals.count));
    }

    std::span<const Vec2f> texPoints;
    const X3DNode* texNode = mesh.texCoord.value;
    if (texNode && texNode->nodeType == NodeType::TextureCoordinate)
        texPoints = shapeTexturePoints(record, spanOf(static_cast<const nTextureCoordinate&>(*texNode).point.value));

    rasterizer->drawIndexedFaces(record.surface,
                                 std::span<RasterVertex>(rasterVertices.get(), static_cast<std::size_t>(points.count)),
                                 shadeSpan, spanOf(mesh.coordIndex.value), texPoints,
                                 spanOf(mesh.texCoordIndex.value), spanOf(mesh.normalIndex), mesh.ccw.value,
                                 !mesh.solid.value);
}
