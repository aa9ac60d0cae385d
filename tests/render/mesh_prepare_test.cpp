#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render_fixture.h"

namespace {

using namespace render_test;

class MeshPrepareTest : public ::testing::Test {
protected:
    void TearDown() override { releaseNodeRegistry(); }

    // The unit cube around the origin with its six faces counter-clockwise
    // seen from outside: -z, +z, -x, +x, -y, +y.
    nIndexedFaceSet* cube() {
        auto* mesh = make<nIndexedFaceSet>(NodeType::IndexedFaceSet);
        mesh->coord.value = coordinate({{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                        {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}});
        setIndex(mesh->coordIndex, {0, 3, 2, 1, -1, 4, 5, 6, 7, -1, 0, 4, 7, 3, -1,
                                    1, 2, 6, 5, -1, 0, 1, 5, 4, -1, 3, 7, 6, 2, -1});
        return mesh;
    }

    static std::vector<int32_t> list(const SimpleArray<int32_t>& array) {
        return std::vector<int32_t>(array.begin(), array.end());
    }

    static void expectNormal(const Vec3f& n, float x, float y, float z) {
        EXPECT_NEAR(n.x, x, 1e-6f);
        EXPECT_NEAR(n.y, y, 1e-6f);
        EXPECT_NEAR(n.z, z, 1e-6f);
    }
};

TEST_F(MeshPrepareTest, FlatCubeHasOneInwardNormalPerFace) {
    nIndexedFaceSet* mesh = cube();
    mesh->prepareNormals();
    ASSERT_EQ(mesh->normals.count, 6);
    // Stored normals point to the back of each face: into the cube.
    const float expected[6][3] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    for (int f = 0; f < 6; ++f) expectNormal(mesh->normals[f], expected[f][0], expected[f][1], expected[f][2]);
    ASSERT_EQ(mesh->normalIndex.count, 30);
    for (int k = 0; k < 30; ++k) {
        if (k % 5 == 4) continue;  // the -1 positions are never read
        EXPECT_EQ(mesh->normalIndex[k], k / 5) << k;
    }

    // ccw FALSE: the same points, the other way.
    mesh->ccw.value = false;
    mesh->prepareNormals();
    ASSERT_EQ(mesh->normals.count, 6);
    for (int f = 0; f < 6; ++f) expectNormal(mesh->normals[f], -expected[f][0], -expected[f][1], -expected[f][2]);
}

TEST_F(MeshPrepareTest, SmoothCubeAveragesAtEveryCorner) {
    nIndexedFaceSet* mesh = cube();
    mesh->creaseAngle.value = 0.5f;
    mesh->prepareNormals();
    ASSERT_EQ(mesh->normals.count, 8);
    const float d = 1.0f / std::sqrt(3.0f);
    const Vec3f* points = static_cast<nCoordinate*>(mesh->coord.value)->point.value.items;
    for (int p = 0; p < 8; ++p) {
        // Each corner's normal is the inward diagonal.
        expectNormal(mesh->normals[p], -points[p].x * d, -points[p].y * d, -points[p].z * d);
    }
    EXPECT_EQ(list(mesh->normalIndex), list(mesh->coordIndex.value));

    // Rebuilding keeps the storage and gives the same lists.
    const Vec3f* storage = mesh->normals.items;
    mesh->prepareNormals();
    EXPECT_EQ(mesh->normals.items, storage);
    EXPECT_EQ(mesh->normals.count, 8);
}

TEST_F(MeshPrepareTest, FaceCountAndHostileFaces) {
    auto* mesh = make<nIndexedFaceSet>(NodeType::IndexedFaceSet);
    mesh->coord.value = coordinate({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    // Faces: 0 two corners; 1 good; 2 names point 99; 3 names point -5;
    // 4 empty; 5 good and without a final -1.
    setIndex(mesh->coordIndex, {0, 1, -1, 0, 1, 2, -1, 0, 1, 99, -1, 0, -5, 2, -1, -1, 0, 2, 3});
    mesh->prepareNormals();
    ASSERT_EQ(mesh->normals.count, 6);
    expectNormal(mesh->normals[0], 0, 0, 0);
    expectNormal(mesh->normals[1], 0, 0, -1);
    expectNormal(mesh->normals[2], 0, 0, 0);
    expectNormal(mesh->normals[3], 0, 0, 0);
    expectNormal(mesh->normals[4], 0, 0, 0);
    expectNormal(mesh->normals[5], 0, 0, -1);
    const std::vector<int32_t> faces = {0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 5, 5, 5};
    const std::vector<int32_t> positions = {0, 1, 3, 4, 5, 7, 8, 9, 11, 12, 13, 16, 17, 18};
    ASSERT_EQ(mesh->normalIndex.count, 19);
    for (size_t k = 0; k < positions.size(); ++k) EXPECT_EQ(mesh->normalIndex[positions[k]], faces[k]) << k;

    // Smooth: the bad faces add nothing, and only real points get normals.
    mesh->creaseAngle.value = 1.0f;
    mesh->prepareNormals();
    ASSERT_EQ(mesh->normals.count, 4);
    for (int p = 0; p < 4; ++p) expectNormal(mesh->normals[p], 0, 0, -1);
    EXPECT_EQ(list(mesh->normalIndex), list(mesh->coordIndex.value));

    // A face of three points on a line: zero normal, no NaN.
    setIndex(mesh->coordIndex, {0, 1, 1, -1});
    mesh->creaseAngle.value = 0.0f;
    mesh->prepareNormals();
    ASSERT_EQ(mesh->normals.count, 1);
    expectNormal(mesh->normals[0], 0, 0, 0);
    // One so large that its cross product overflows: zero as well.
    mesh->coord.value = coordinate({{0, 0, 0}, {3e38f, 0, 0}, {0, 3e38f, 0}});
    setIndex(mesh->coordIndex, {0, 1, 2});
    mesh->prepareNormals();
    ASSERT_EQ(mesh->normals.count, 1);
    expectNormal(mesh->normals[0], 0, 0, 0);
}

TEST_F(MeshPrepareTest, MissingCoordinatesKeepTheCaches) {
    auto* mesh = make<nIndexedFaceSet>(NodeType::IndexedFaceSet);
    setIndex(mesh->coordIndex, {0, 1, 2, -1});
    Vec3f centre{9, 9, 9}, size;
    EXPECT_TRUE(mesh->bounds(centre, size));
    EXPECT_EQ(size.x, -1.0f);
    EXPECT_EQ(size.y, -1.0f);
    EXPECT_EQ(size.z, -1.0f);
    EXPECT_FALSE(mesh->boundsStale);
    mesh->prepareNormals();
    EXPECT_EQ(mesh->normals.count, 0);

    // "coord" holding a node that is no Coordinate counts as none.
    mesh->coord.value = make<nMaterial>(NodeType::Material);
    mesh->boundsStale = true;
    EXPECT_TRUE(mesh->bounds(centre, size));
    EXPECT_EQ(size.x, -1.0f);
    mesh->prepareNormals();
    EXPECT_EQ(mesh->normals.count, 0);

    // Points arrive, but the box is rebuilt only after a "coord" change.
    nCoordinate* points = coordinate({{-1, 0, 2}, {3, 4, 2}, {1, -2, 6}});
    mesh->coord.value = points;
    mesh->bounds(centre, size);
    EXPECT_EQ(size.x, -1.0f);
    mesh->fieldChanged(&mesh->coord);
    EXPECT_TRUE(mesh->boundsStale);
    EXPECT_TRUE(mesh->normalsStale);
    mesh->bounds(centre, size);
    EXPECT_FLOAT_EQ(centre.x, 1.0f);
    EXPECT_FLOAT_EQ(centre.y, 1.0f);
    EXPECT_FLOAT_EQ(centre.z, 4.0f);
    EXPECT_FLOAT_EQ(size.x, 4.0f);
    EXPECT_FLOAT_EQ(size.y, 6.0f);
    EXPECT_FLOAT_EQ(size.z, 4.0f);
    mesh->fieldChanged(&mesh->ccw);  // other fields leave the flags alone
    EXPECT_FALSE(mesh->boundsStale);

    // Normals made, then the coord node goes: they stay as they were.
    mesh->prepareNormals();
    ASSERT_EQ(mesh->normals.count, 1);
    mesh->coord.value = nullptr;
    mesh->prepareNormals();
    EXPECT_EQ(mesh->normals.count, 1);
    // An empty coordIndex changes nothing either.
    mesh->coord.value = points;
    mesh->coordIndex.value.clear();
    mesh->prepareNormals();
    EXPECT_EQ(mesh->normals.count, 1);
}

}  // namespace
