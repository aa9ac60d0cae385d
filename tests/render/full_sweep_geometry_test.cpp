// ElevationGrid and Extrusion meshes, exactly: the points, faces, texture
// points and normals of small cases worked by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "full_world_fixture.h"
#include "scene/elevation_grid.h"
#include "scene/extrusion.h"
#include "scene/mesh_form.h"

namespace {

using namespace full_test;

using FullSweepGeometryTest = FullWorldFixture;

std::vector<int32_t> listOf(const SimpleArray<int32_t>& a) { return std::vector<int32_t>(a.begin(), a.end()); }

void expectPoint(const Vec3f& got, const Vec3f& want, const std::string& what) {
    EXPECT_NEAR(got.x, want.x, 1e-5f) << what;
    EXPECT_NEAR(got.y, want.y, 1e-5f) << what;
    EXPECT_NEAR(got.z, want.z, 1e-5f) << what;
}

const MeshForm& formOf(X3DNode* node) { return static_cast<X3DMeshGeometryNode*>(node)->meshForm(); }

TEST_F(FullSweepGeometryTest, TwoByTwoGrid) {
    ASSERT_TRUE(load("#VRML V2.0 utf8\nElevationGrid { xDimension 2 zDimension 2 xSpacing 2 zSpacing 3"
                     " height [ 0 1 2 3 ] }\n"));
    const MeshForm& mesh = formOf(firstNode());
    ASSERT_EQ(mesh.points.count, 4);
    expectPoint(mesh.points[0], {0, 0, 0}, "0");
    expectPoint(mesh.points[1], {2, 1, 0}, "1");
    expectPoint(mesh.points[2], {0, 2, 3}, "2");
    expectPoint(mesh.points[3], {2, 3, 3}, "3");
    // Counter-clockwise seen from above.
    EXPECT_EQ(listOf(mesh.coordIndex), (std::vector<int32_t>{0, 2, 3, 1, -1}));
    ASSERT_EQ(mesh.texPoints.count, 4);
    EXPECT_EQ(mesh.texPoints[1].x, 1.0f);
    EXPECT_EQ(mesh.texPoints[1].y, 0.0f);
    EXPECT_EQ(mesh.texPoints[2].x, 0.0f);
    EXPECT_EQ(mesh.texPoints[2].y, 1.0f);
    EXPECT_EQ(mesh.texCoordIndex.count, 0);  // one texture point per point
    // Flat (creaseAngle 0): one normal, to the back (downwards, as the face
    // faces up), on every corner.
    ASSERT_EQ(mesh.normals.count, 1);
    EXPECT_LT(mesh.normals[0].y, 0.0f);
    EXPECT_EQ(listOf(mesh.normalIndex), (std::vector<int32_t>{0, 0, 0, 0, -1}));
    EXPECT_TRUE(mesh.solid);
}

TEST_F(FullSweepGeometryTest, GridFacesNormalsAndMissingHeights) {
    struct Row {
        const char* fields;
        int32_t points, faces;
        bool smoothAtCentre;  // the middle point's corners share one direction
    };
    const Row rows[] = {
        {"xDimension 3 zDimension 3 height [ 0 0 0 0 1 0 0 0 0 ]", 9, 4, false},
        {"xDimension 3 zDimension 3 creaseAngle 3.2 height [ 0 0 0 0 1 0 0 0 0 ]", 9, 4, true},
        {"xDimension 3 zDimension 2 height [ 5 ]", 6, 2, true},  // the missing heights are 0, one flat plane
        {"xDimension 1 zDimension 5 height [ 1 2 3 4 5 ]", 0, 0, true},
        {"xDimension 4 zDimension 0", 0, 0, true},
        {"xDimension -3 zDimension -3", 0, 0, true},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(load(std::string("#VRML V2.0 utf8\nElevationGrid { ") + row.fields + " }\n"));
        const MeshForm& mesh = formOf(firstNode());
        EXPECT_EQ(mesh.points.count, row.points) << row.fields;
        int32_t faces = 0;
        for (int32_t v : mesh.coordIndex) faces += v == -1;
        EXPECT_EQ(faces, row.faces) << row.fields;
        if (row.points == 9) {
            // The corners at point 4 (the peak), one in each of four cells.
            std::vector<Vec3f> at;
            for (int32_t k = 0; k < mesh.coordIndex.count; ++k)
                if (mesh.coordIndex[k] == 4) at.push_back(mesh.normals[mesh.normalIndex[k]]);
            ASSERT_EQ(at.size(), 4u);
            bool allSame = true;
            for (const Vec3f& n : at) allSame = allSame && std::fabs(n.x - at[0].x) < 1e-6f && std::fabs(n.z - at[0].z) < 1e-6f;
            EXPECT_EQ(allSame, row.smoothAtCentre) << row.fields;
            if (row.smoothAtCentre) {
                // Averaged over the symmetric peak: straight down (the back).
                EXPECT_NEAR(at[0].x, 0.0f, 1e-6f);
                EXPECT_NEAR(at[0].z, 0.0f, 1e-6f);
                EXPECT_NEAR(at[0].y, -1.0f, 1e-6f);
            }
        }
        scene.reset();
        releaseNodeRegistry();
    }
}

TEST_F(FullSweepGeometryTest, DefaultExtrusionIsAClosedBox) {
    ASSERT_TRUE(load("#VRML V2.0 utf8\nExtrusion { }\n"));
    const MeshForm& mesh = formOf(firstNode());
    // The closed square shares its first and last point: 4 per ring.
    ASSERT_EQ(mesh.points.count, 8);
    const Vec3f ring[4] = {{1, 0, 1}, {1, 0, -1}, {-1, 0, -1}, {-1, 0, 1}};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 4; ++j)
            expectPoint(mesh.points[i * 4 + j], Vec3f{ring[j].x, float(i), ring[j].z}, "ring " + std::to_string(i));
    EXPECT_EQ(listOf(mesh.coordIndex), (std::vector<int32_t>{0, 1, 5, 4, -1, 1, 2, 6, 5, -1, 2, 3, 7, 6, -1, 3, 0, 4, 7,
                                                             -1, 3, 2, 1, 0, -1, 4, 5, 6, 7, -1}));
    // Side texture: s by length around the section, t along the spine.
    EXPECT_EQ(mesh.texPoints[0].x, 0.0f);
    EXPECT_EQ(mesh.texPoints[1].x, 0.25f);
    EXPECT_EQ(mesh.texPoints[4].x, 1.0f);
    EXPECT_EQ(mesh.texPoints[5].y, 1.0f);
    EXPECT_EQ(mesh.texCoordIndex.count, mesh.coordIndex.count);
}

TEST_F(FullSweepGeometryTest, SpinesScaleAndOrientation) {
    struct Row {
        const char* fields;
        int32_t ring, column;  // which section point of which spine point
        Vec3f expected;
    };
    const Row rows[] = {
        // A straight spine along +X: the section plane turned by the
        // rotation taking +Y onto +X, so the section's x runs along -Y.
        {"spine [ 0 0 0, 2 0 0 ]", 1, 0, {2, -1, 1}},
        {"spine [ 0 0 0, 2 0 0 ]", 0, 2, {0, 1, -1}},
        // Straight down: half a turn about X.
        {"spine [ 0 0 0, 0 -1 0 ]", 1, 0, {1, -1, -1}},
        // Scale (2, 0.5) and a quarter turn about Y: section point (1, 1)
        // becomes (2, 0, 0.5), then (0.5, 0, -2).
        {"scale 2 0.5 orientation 0 1 0 1.5707963", 1, 0, {0.5f, 1, -2}},
        // One scale per spine point.
        {"scale [ 1 1, 3 3 ]", 1, 0, {3, 1, 3}},
        // A closed square spine in the XZ plane: at its first point Y runs
        // along S1 - S3 = +Z, Z = (S1 - S0) x (S3 - S0) = -Y, X = Y x Z = +X.
        {"spine [ 1 0 0, 0 0 1, -1 0 0, 0 0 -1, 1 0 0 ] beginCap FALSE endCap FALSE", 0, 0, {2, -1, 0}},
        // A bent spine, a quarter turn in the XY plane at (0, 1, 0): Z is
        // (S2 - S1) x (S0 - S1) = -Z there and at the ends; at the end Y
        // runs along +X, so X = Y x Z = +Y.
        {"spine [ 0 0 0, 0 1 0, 1 1 0 ] crossSection [ 0 0, 1 0 ]", 2, 1, {1, 2, 0}},
        {"spine [ 0 0 0, 0 1 0, 1 1 0 ] crossSection [ 0 0, 1 0 ]", 0, 1, {-1, 0, 0}},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(load(std::string("#VRML V2.0 utf8\nExtrusion { ") + row.fields + " }\n"));
        auto* node = static_cast<nExtrusion*>(firstNode());
        const MeshForm& mesh = node->meshForm();
        ASSERT_GT(mesh.points.count, 0) << row.fields;
        // The point of (ring, column) as the side faces use it: the first
        // corner of side quad (ring, column) is (ring, column).
        const int32_t m = node->crossSection.value.count;
        const int32_t quad = (row.ring < node->spine.value.count - 1 ? row.ring : row.ring - 1) * (m - 1) +
                             (row.column < m - 1 ? row.column : row.column - 1);
        const int32_t corner = quad * 5 + (row.ring < node->spine.value.count - 1 ? 0 : 3) +
                               (row.column < m - 1 ? 0 : (row.ring < node->spine.value.count - 1 ? 1 : -1));
        expectPoint(mesh.points[mesh.coordIndex[corner]], row.expected, row.fields);
        scene.reset();
        releaseNodeRegistry();
    }
}

TEST_F(FullSweepGeometryTest, ClosedSpineSharesItsSeam) {
    ASSERT_TRUE(load("#VRML V2.0 utf8\nExtrusion { spine [ 1 0 0, 0 0 1, -1 0 0, 0 0 -1, 1 0 0 ]"
                     " beginCap FALSE endCap FALSE creaseAngle 3.2 }\n"));
    const MeshForm& mesh = formOf(firstNode());
    EXPECT_EQ(mesh.points.count, 16);  // 4 distinct rings of 4
    int32_t faces = 0, highest = 0;
    for (int32_t v : mesh.coordIndex) faces += v == -1, highest = std::max(highest, v);
    EXPECT_EQ(faces, 16);
    EXPECT_EQ(highest, 15);
    // Smooth all round: the two corners at point 0 from the first and the
    // last ring of quads share one direction.
    std::vector<Vec3f> at;
    for (int32_t k = 0; k < mesh.coordIndex.count; ++k)
        if (mesh.coordIndex[k] == 0) at.push_back(mesh.normals[mesh.normalIndex[k]]);
    ASSERT_EQ(at.size(), 4u);
    for (const Vec3f& n : at) {
        EXPECT_NEAR(n.x, at[0].x, 1e-5f);
        EXPECT_NEAR(n.y, at[0].y, 1e-5f);
        EXPECT_NEAR(n.z, at[0].z, 1e-5f);
    }
}

TEST_F(FullSweepGeometryTest, CreaseAngleKeepsSharpEdgesSharp) {
    struct Row {
        float crease;
        bool smoothEdges;  // the box's 90-degree edges are smoothed
    };
    for (const Row& row : {Row{0.0f, false}, Row{0.5f, false}, Row{1.5f, false}, Row{1.6f, true}}) {
        ASSERT_TRUE(load("#VRML V2.0 utf8\nExtrusion { creaseAngle " + std::to_string(row.crease) + " }\n"));
        const MeshForm& mesh = formOf(firstNode());
        // At point 0 (corner (1, 0, 1)) three faces meet: two sides and the
        // begin cap.
        int32_t corners = 0;
        for (int32_t k = 0; k < mesh.coordIndex.count; ++k) {
            if (mesh.coordIndex[k] != 0) continue;
            ++corners;
            const Vec3f n = mesh.normals[mesh.normalIndex[k]];
            const float diagonal = -1.0f / std::sqrt(3.0f);  // to the back: inwards
            if (row.smoothEdges) {
                EXPECT_NEAR(n.x, diagonal, 1e-5f) << row.crease;
                EXPECT_NEAR(n.y, -diagonal, 1e-5f) << row.crease;
                EXPECT_NEAR(n.z, diagonal, 1e-5f) << row.crease;
            } else {
                // An axis: one component of magnitude 1.
                EXPECT_NEAR(std::fabs(n.x) + std::fabs(n.y) + std::fabs(n.z), 1.0f, 1e-5f) << row.crease;
            }
        }
        EXPECT_EQ(corners, 3) << row.crease;
        scene.reset();
        releaseNodeRegistry();
    }
}

TEST_F(FullSweepGeometryTest, ConcaveCapsAreCutIntoTriangles) {
    // An L: six corners, area 3; its caps fanned from the first corner
    // would cover a square of area 4.
    const std::string section = "crossSection [ 0 0, 0 2, 1 2, 1 1, 2 1, 2 0, 0 0 ]";
    struct Row {
        const char* convex;
        int32_t capFaces;
    };
    for (const Row& row : {Row{"TRUE", 1}, Row{"FALSE", 4}}) {
        ASSERT_TRUE(load("#VRML V2.0 utf8\nExtrusion { beginCap FALSE convex " + std::string(row.convex) + " " +
                         section + " }\n"));
        const MeshForm& mesh = formOf(firstNode());
        // The faces after the six sides are the end cap's.
        int32_t face = 0, from = 0, capFaces = 0;
        double area = 0.0;
        for (int32_t k = 0; k < mesh.coordIndex.count; ++k) {
            if (mesh.coordIndex[k] != -1) continue;
            if (face >= 6) {
                ++capFaces;
                // Area in the XZ plane (the cap lies at y = 1), fanned.
                const Vec3f a = mesh.points[mesh.coordIndex[from]];
                for (int32_t j = from + 1; j + 1 < k; ++j) {
                    const Vec3f b = mesh.points[mesh.coordIndex[j]], c = mesh.points[mesh.coordIndex[j + 1]];
                    area += 0.5 * std::fabs((double(b.x) - a.x) * (double(c.z) - a.z) - (double(b.z) - a.z) * (double(c.x) - a.x));
                }
            }
            ++face;
            from = k + 1;
        }
        EXPECT_EQ(capFaces, row.capFaces) << row.convex;
        if (row.capFaces > 1) {
            EXPECT_NEAR(area, 3.0, 1e-5) << row.convex;
        }
        scene.reset();
        releaseNodeRegistry();
    }
}

}  // namespace
