// The full profile's geometry nodes as the reader builds them: every field
// with its class and default, values read from text, and the meshes the
// primitives tessellate into (points, faces, normals and texture points
// checked against the shapes they stand for).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "full_world_fixture.h"
#include "scene/elevation_grid.h"
#include "scene/factory.h"
#include "scene/extrusion.h"
#include "scene/line_nodes.h"
#include "scene/mesh_form.h"
#include "scene/primitive_nodes.h"
#include "scene/shape_nodes.h"

namespace {

using namespace full_test;

std::string number(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
    return text;
}

// A field's class and value as text: "SFFloat 1", "MFVec2f 1 1, 1 -1".
std::string describe(const X3DField* field) {
    if (!field) return "none";
    switch (field->type) {
    case FieldType::SFBool: return std::string("SFBool ") + (static_cast<const fSFBool*>(field)->value ? "TRUE" : "FALSE");
    case FieldType::SFFloat: return "SFFloat " + number(static_cast<const fSFFloat*>(field)->value);
    case FieldType::SFInt32: return "SFInt32 " + std::to_string(static_cast<const fSFInt32*>(field)->value);
    case FieldType::SFNode: return std::string("SFNode ") + (static_cast<const fSFNode*>(field)->value ? "node" : "NULL");
    case FieldType::SFVec3f: {
        const Vec3f v = static_cast<const fSFVec3f*>(field)->value;
        return "SFVec3f " + number(v.x) + " " + number(v.y) + " " + number(v.z);
    }
    case FieldType::MFFloat: return "MFFloat [" + std::to_string(static_cast<const fMFFloat*>(field)->value.count) + "]";
    case FieldType::MFInt32: return "MFInt32 [" + std::to_string(static_cast<const fMFInt32*>(field)->value.count) + "]";
    case FieldType::MFVec2f: {
        std::string out = "MFVec2f";
        const auto& list = static_cast<const fMFVec2f*>(field)->value;
        for (int32_t i = 0; i < list.count; ++i) out += (i ? ", " : " ") + number(list[i].x) + " " + number(list[i].y);
        return out;
    }
    case FieldType::MFVec3f: {
        std::string out = "MFVec3f";
        const auto& list = static_cast<const fMFVec3f*>(field)->value;
        for (int32_t i = 0; i < list.count; ++i)
            out += (i ? ", " : " ") + number(list[i].x) + " " + number(list[i].y) + " " + number(list[i].z);
        return out;
    }
    case FieldType::MFRotation: {
        std::string out = "MFRotation";
        const auto& list = static_cast<const fMFRotation*>(field)->value;
        for (int32_t i = 0; i < list.count; ++i)
            out += (i ? ", " : " ") + number(list[i].x) + " " + number(list[i].y) + " " + number(list[i].z) + " " +
                   number(list[i].angle);
        return out;
    }
    default: return "other";
    }
}

using FullGeometryNodesTest = FullWorldFixture;

TEST_F(FullGeometryNodesTest, EveryFieldHasItsClassAndDefault) {
    struct Row {
        const char* node;
        const char* field;
        const char* expected;
    };
    const Row rows[] = {
        {"Box", "size", "SFVec3f 2 2 2"},
        {"Sphere", "radius", "SFFloat 1"},
        {"Cone", "bottomRadius", "SFFloat 1"},
        {"Cone", "height", "SFFloat 2"},
        {"Cone", "side", "SFBool TRUE"},
        {"Cone", "bottom", "SFBool TRUE"},
        {"Cylinder", "bottom", "SFBool TRUE"},
        {"Cylinder", "height", "SFFloat 2"},
        {"Cylinder", "radius", "SFFloat 1"},
        {"Cylinder", "side", "SFBool TRUE"},
        {"Cylinder", "top", "SFBool TRUE"},
        {"ElevationGrid", "color", "SFNode NULL"},
        {"ElevationGrid", "normal", "SFNode NULL"},
        {"ElevationGrid", "texCoord", "SFNode NULL"},
        {"ElevationGrid", "height", "MFFloat [0]"},
        {"ElevationGrid", "ccw", "SFBool TRUE"},
        {"ElevationGrid", "colorPerVertex", "SFBool TRUE"},
        {"ElevationGrid", "creaseAngle", "SFFloat 0"},
        {"ElevationGrid", "normalPerVertex", "SFBool TRUE"},
        {"ElevationGrid", "solid", "SFBool TRUE"},
        {"ElevationGrid", "xDimension", "SFInt32 0"},
        {"ElevationGrid", "xSpacing", "SFFloat 1"},
        {"ElevationGrid", "zDimension", "SFInt32 0"},
        {"ElevationGrid", "zSpacing", "SFFloat 1"},
        {"Extrusion", "beginCap", "SFBool TRUE"},
        {"Extrusion", "ccw", "SFBool TRUE"},
        {"Extrusion", "convex", "SFBool TRUE"},
        {"Extrusion", "creaseAngle", "SFFloat 0"},
        {"Extrusion", "crossSection", "MFVec2f 1 1, 1 -1, -1 -1, -1 1, 1 1"},
        {"Extrusion", "endCap", "SFBool TRUE"},
        {"Extrusion", "orientation", "MFRotation 0 0 1 0"},
        {"Extrusion", "scale", "MFVec2f 1 1"},
        {"Extrusion", "solid", "SFBool TRUE"},
        {"Extrusion", "spine", "MFVec3f 0 0 0, 0 1 0"},
        {"IndexedLineSet", "color", "SFNode NULL"},
        {"IndexedLineSet", "coord", "SFNode NULL"},
        {"IndexedLineSet", "colorIndex", "MFInt32 [0]"},
        {"IndexedLineSet", "colorPerVertex", "SFBool TRUE"},
        {"IndexedLineSet", "coordIndex", "MFInt32 [0]"},
        {"PointSet", "color", "SFNode NULL"},
        {"PointSet", "coord", "SFNode NULL"},
        // Event names reach the same fields.
        {"Extrusion", "set_spine", "MFVec3f 0 0 0, 0 1 0"},
        {"ElevationGrid", "set_height", "MFFloat [0]"},
        {"IndexedLineSet", "set_coordIndex", "none"},  // a name of the table in its own right, no field here
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(load(std::string("#VRML V2.0 utf8\n") + row.node + " { }\n")) << row.node;
        const X3DNode* node = firstNode();
        ASSERT_NE(node, nullptr) << row.node;
        EXPECT_EQ(node->nodeType, nodeTypeCode(std::u16string(row.node, row.node + std::char_traits<char>::length(row.node))));
        std::u16string name(row.field, row.field + std::char_traits<char>::length(row.field));
        EXPECT_EQ(describe(node->findField(name)), row.expected) << row.node << "." << row.field;
        scene.reset();
        releaseNodeRegistry();
    }
}

TEST_F(FullGeometryNodesTest, ValuesAreReadFromText) {
    struct Row {
        const char* text;
        const char* field;
        const char* expected;
    };
    const Row rows[] = {
        {"Box { size 1 2 3 }", "size", "SFVec3f 1 2 3"},
        {"Sphere { radius 0.25 }", "radius", "SFFloat 0.25"},
        {"Cone { side FALSE }", "side", "SFBool FALSE"},
        {"Cylinder { top FALSE height 5 }", "height", "SFFloat 5"},
        {"ElevationGrid { xDimension 16 }", "xDimension", "SFInt32 16"},
        {"ElevationGrid { height [ 1 2 3 ] }", "height", "MFFloat [3]"},
        {"Extrusion { crossSection [ 0 0, 1 0, 0 1 ] }", "crossSection", "MFVec2f 0 0, 1 0, 0 1"},
        {"Extrusion { spine [ 0 0 0 ] }", "spine", "MFVec3f 0 0 0"},
        {"Extrusion { orientation [ 0 1 0 1.5 ] }", "orientation", "MFRotation 0 1 0 1.5"},
        {"IndexedLineSet { coord Coordinate { } coordIndex [ 0 1 -1 ] }", "coordIndex", "MFInt32 [3]"},
        {"PointSet { coord Coordinate { } }", "coord", "SFNode node"},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(load(std::string("#VRML V2.0 utf8\n") + row.text + "\n")) << row.text;
        std::u16string name(row.field, row.field + std::char_traits<char>::length(row.field));
        EXPECT_EQ(describe(firstNode()->findField(name)), row.expected) << row.text;
        scene.reset();
        releaseNodeRegistry();
    }
}

// The Newell normal of face coordIndex[from .. end - 1].
Vec3f outline(const MeshForm& mesh, int32_t from, int32_t end) {
    double x = 0, y = 0, z = 0;
    for (int32_t k = from; k < end; ++k) {
        const Vec3f a = mesh.points[mesh.coordIndex[k]];
        const Vec3f b = mesh.points[mesh.coordIndex[k + 1 < end ? k + 1 : from]];
        x += (double(a.y) - b.y) * (double(a.z) + b.z);
        y += (double(a.z) - b.z) * (double(a.x) + b.x);
        z += (double(a.x) - b.x) * (double(a.y) + b.y);
    }
    return Vec3f{float(x), float(y), float(z)};
}

float dot3(const Vec3f& a, const Vec3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Walks the form's faces: visit(first position, end position).
template <class Visit>
void eachFace(const MeshForm& mesh, Visit visit) {
    for (int32_t from = 0; from < mesh.coordIndex.count;) {
        int32_t end = from;
        while (end < mesh.coordIndex.count && mesh.coordIndex[end] != -1) ++end;
        visit(from, end);
        from = end + 1;
    }
}

// Checks every face of a closed, outward-facing form: its corners run
// counter-clockwise seen from outside (the outline's normal points away
// from the centre), every corner's normal is a unit vector pointing to the
// back of the face (against the outline), and the index lists line up.
void expectOutwardAndBackNormals(const MeshForm& mesh, const char* what) {
    ASSERT_GT(mesh.points.count, 0) << what;
    ASSERT_EQ(mesh.normalIndex.count, mesh.coordIndex.count) << what;
    ASSERT_EQ(mesh.texCoordIndex.count, mesh.coordIndex.count) << what;
    int32_t faces = 0;
    eachFace(mesh, [&](int32_t from, int32_t end) {
        ASSERT_GE(end - from, 3) << what;
        ++faces;
        const Vec3f n = outline(mesh, from, end);
        // The face's centre, seen from the form's.
        Vec3f centre{};
        for (int32_t k = from; k < end; ++k) {
            const Vec3f p = mesh.points[mesh.coordIndex[k]];
            centre = Vec3f{centre.x + p.x - mesh.boundsCenter.x, centre.y + p.y - mesh.boundsCenter.y,
                           centre.z + p.z - mesh.boundsCenter.z};
        }
        EXPECT_GT(dot3(n, centre), 0.0f) << what << ": face at " << from << " faces inwards";
        for (int32_t k = from; k < end; ++k) {
            const Vec3f normal = mesh.normals[mesh.normalIndex[k]];
            EXPECT_NEAR(dot3(normal, normal), 1.0f, 1e-5f) << what;
            EXPECT_LT(dot3(normal, n), 0.0f) << what << ": corner " << k << " normal points to the front";
            const int32_t t = mesh.texCoordIndex[k];
            ASSERT_TRUE(t >= 0 && t < mesh.texPoints.count) << what;
        }
    });
    EXPECT_GT(faces, 0) << what;
}

TEST_F(FullGeometryNodesTest, PrimitivesFaceOutwardsWithNormalsToTheBack) {
    const char* worlds[] = {"Box { }", "Box { size 1 3 0.5 }", "Sphere { }", "Sphere { radius 7 }", "Cone { }",
                            "Cone { bottomRadius 3 height 0.5 }", "Cylinder { }", "Cylinder { radius 0.1 height 9 }",
                            "Extrusion { }"};
    for (const char* text : worlds) {
        ASSERT_TRUE(load(std::string("#VRML V2.0 utf8\n") + text + "\n"));
        auto* node = dynamic_cast<X3DMeshGeometryNode*>(firstNode());
        ASSERT_NE(node, nullptr) << text;
        expectOutwardAndBackNormals(node->meshForm(), text);
        EXPECT_TRUE(node->meshForm().solid && node->meshForm().ccw) << text;
        scene.reset();
        releaseNodeRegistry();
    }
}

TEST_F(FullGeometryNodesTest, PrimitiveCountsAndBoxes) {
    struct Row {
        const char* text;
        int32_t points, faces;
        Vec3f size;
    };
    const Row rows[] = {
        {"Box { size 1 2 3 }", 8, 6, {1, 2, 3}},
        {"Sphere { radius 2 }", 2 + (kSphereRings - 1) * kRoundSegments, kSphereRings * kRoundSegments, {4, 4, 4}},
        {"Cone { }", kRoundSegments + 1, kRoundSegments + 1, {2, 2, 2}},
        {"Cone { bottom FALSE }", kRoundSegments + 1, kRoundSegments, {2, 2, 2}},
        {"Cone { side FALSE }", kRoundSegments + 1, 1, {2, 2, 2}},
        {"Cylinder { }", 2 * kRoundSegments, kRoundSegments + 2, {2, 2, 2}},
        {"Cylinder { top FALSE bottom FALSE }", 2 * kRoundSegments, kRoundSegments, {2, 2, 2}},
        {"Cylinder { side FALSE height 4 }", 2 * kRoundSegments, 2, {2, 4, 2}},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(load(std::string("#VRML V2.0 utf8\n") + row.text + "\n"));
        auto* node = static_cast<X3DMeshGeometryNode*>(firstNode());
        const MeshForm& mesh = node->meshForm();
        EXPECT_EQ(mesh.points.count, row.points) << row.text;
        int32_t faces = 0;
        eachFace(mesh, [&](int32_t, int32_t) { ++faces; });
        EXPECT_EQ(faces, row.faces) << row.text;
        Vec3f centre, size;
        ASSERT_TRUE(node->bounds(centre, size)) << row.text;
        EXPECT_NEAR(size.x, row.size.x, 1e-5f) << row.text;
        EXPECT_NEAR(size.y, row.size.y, 1e-5f) << row.text;
        EXPECT_NEAR(size.z, row.size.z, 1e-5f) << row.text;
        EXPECT_NEAR(centre.x, 0.0f, 1e-5f);
        EXPECT_NEAR(centre.y, 0.0f, 1e-5f);
        EXPECT_NEAR(centre.z, 0.0f, 1e-5f);
        scene.reset();
        releaseNodeRegistry();
    }
}

TEST_F(FullGeometryNodesTest, BoxFacesShowTheWholeImageUpright) {
    ASSERT_TRUE(load("#VRML V2.0 utf8\nBox { }\n"));
    const MeshForm& mesh = static_cast<X3DMeshGeometryNode*>(firstNode())->meshForm();
    // Per face, seen from outside: the directions in which s and t grow
    // (top and bottom as if tilted towards the viewer, or away).
    struct Axes {
        Vec3f normal, sAxis, tAxis;
    };
    const Axes faces[6] = {{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
                           {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
                           {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}};
    int32_t face = 0;
    eachFace(mesh, [&](int32_t from, int32_t end) {
        ASSERT_LT(face, 6);
        const Axes& axes = faces[face++];
        const Vec3f back = mesh.normals[mesh.normalIndex[from]];
        EXPECT_EQ(dot3(back, axes.normal), -1.0f);
        for (int32_t k = from; k < end; ++k) {
            const Vec3f p = mesh.points[mesh.coordIndex[k]];
            const Vec2f st = mesh.texPoints[mesh.texCoordIndex[k]];
            // Corners at -1 or +1 along each axis map to 0 or 1.
            EXPECT_EQ(st.x, (dot3(p, axes.sAxis) + 1.0f) * 0.5f) << "face " << face << " corner " << k;
            EXPECT_EQ(st.y, (dot3(p, axes.tAxis) + 1.0f) * 0.5f) << "face " << face << " corner " << k;
            EXPECT_EQ(dot3(p, axes.normal), 1.0f);
        }
    });
    EXPECT_EQ(face, 6);
}

TEST_F(FullGeometryNodesTest, RoundSurfacesMapTheImageFromTheBackAroundAndUp) {
    constexpr double kPi = 3.141592653589793;
    // s of a point around the Y axis: 0 at the back (-Z), a quarter at -X,
    // a half at the front (+Z), counter-clockwise seen from above.
    auto around = [&](const Vec3f& p) {
        double s = std::atan2(-double(p.x), -double(p.z)) / (2.0 * kPi);
        return s < 0.0 ? s + 1.0 : s;
    };
    struct Row {
        const char* text;
        bool sphere;
    };
    for (const Row& row : {Row{"Sphere { radius 2 }", true}, Row{"Cylinder { top FALSE bottom FALSE }", false},
                           Row{"Cone { bottom FALSE }", false}}) {
        ASSERT_TRUE(load(std::string("#VRML V2.0 utf8\n") + row.text + "\n"));
        const MeshForm& mesh = static_cast<X3DMeshGeometryNode*>(firstNode())->meshForm();
        int32_t checked = 0;
        eachFace(mesh, [&](int32_t from, int32_t end) {
            for (int32_t k = from; k < end; ++k) {
                const Vec3f p = mesh.points[mesh.coordIndex[k]];
                const Vec2f st = mesh.texPoints[mesh.texCoordIndex[k]];
                const bool onAxis = std::fabs(p.x) < 1e-6f && std::fabs(p.z) < 1e-6f;
                // t from the bottom up: by the polar angle on the sphere, by
                // height on the sides.
                const double t = row.sphere ? std::acos(std::clamp(-double(p.y) / 2.0, -1.0, 1.0)) / kPi : (p.y + 1.0) / 2.0;
                EXPECT_NEAR(st.y, t, 1e-5) << row.text << " corner " << k;
                if (onAxis) continue;  // poles and apex: s of the segment's middle
                double s = around(p);
                // The seam: the last segment ends at s = 1, not 0.
                if (s < 1e-6 && st.x > 0.5f) s = 1.0;
                EXPECT_NEAR(st.x, s, 1e-5) << row.text << " corner " << k;
                ++checked;
            }
        });
        EXPECT_GE(checked, kRoundSegments * 2) << row.text;
        scene.reset();
        releaseNodeRegistry();
    }
}

TEST_F(FullGeometryNodesTest, UnusableSizesGiveAnEmptyForm) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Row {
        const char* node;
        void (*spoil)(X3DNode*, float);
        float value;
    };
    const Row rows[] = {
        {"Box", [](X3DNode* n, float v) { static_cast<nBox*>(n)->size.value = Vec3f{v, 1, 1}; }, -1.0f},
        {"Box", [](X3DNode* n, float v) { static_cast<nBox*>(n)->size.value = Vec3f{1, v, 1}; }, 0.0f},
        {"Box", [](X3DNode* n, float v) { static_cast<nBox*>(n)->size.value = Vec3f{1, 1, v}; }, nan},
        {"Sphere", [](X3DNode* n, float v) { static_cast<nSphere*>(n)->radius.value = v; }, inf},
        {"Sphere", [](X3DNode* n, float v) { static_cast<nSphere*>(n)->radius.value = v; }, -2.0f},
        {"Cone", [](X3DNode* n, float v) { static_cast<nCone*>(n)->height.value = v; }, nan},
        {"Cone", [](X3DNode* n, float v) { static_cast<nCone*>(n)->bottomRadius.value = v; }, 0.0f},
        {"Cylinder", [](X3DNode* n, float v) { static_cast<nCylinder*>(n)->radius.value = v; }, -inf},
        {"Cylinder", [](X3DNode* n, float v) { static_cast<nCylinder*>(n)->height.value = v; }, -1.0f},
        {"ElevationGrid", [](X3DNode* n, float v) {
             auto* g = static_cast<nElevationGrid*>(n);
             g->xDimension.value = 2, g->zDimension.value = 2, g->xSpacing.value = v;
         }, inf},
        {"ElevationGrid", [](X3DNode* n, float v) {
             auto* g = static_cast<nElevationGrid*>(n);
             g->xDimension.value = 1 << 13, g->zDimension.value = 1 << 13, g->zSpacing.value = v;  // too many points
         }, 1.0f},
        {"ElevationGrid", [](X3DNode* n, float v) {
             auto* g = static_cast<nElevationGrid*>(n);
             g->xDimension.value = 2, g->zDimension.value = 2;
             g->height.value.append(v);
         }, nan},
        {"Extrusion", [](X3DNode* n, float v) { static_cast<nExtrusion*>(n)->spine.value[1].y = v; }, inf},
        {"Extrusion", [](X3DNode* n, float v) { static_cast<nExtrusion*>(n)->scale.value[0].x = v; }, nan},
        {"Extrusion", [](X3DNode* n, float v) { static_cast<nExtrusion*>(n)->spine.value.truncate(int32_t(v)); }, 1.0f},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(load(std::string("#VRML V2.0 utf8\nShape { geometry ") + row.node + " { } }\n"));
        auto* shapeNode = firstNode();
        auto* node = static_cast<X3DMeshGeometryNode*>(static_cast<nShape*>(shapeNode)->geometry.value);
        row.spoil(node, row.value);
        node->meshStale = true;
        const MeshForm& mesh = node->meshForm();
        EXPECT_EQ(mesh.points.count, 0) << row.node << " " << row.value;
        EXPECT_EQ(mesh.coordIndex.count, 0) << row.node << " " << row.value;
        Vec3f centre, size;
        EXPECT_FALSE(node->bounds(centre, size)) << row.node;
        frame();  // draws nothing, and nothing that is not finite reaches the pixels
        EXPECT_EQ(litPixels(), 0) << row.node << " " << row.value;
        scene.reset();
        releaseNodeRegistry();
    }
}

}  // namespace
