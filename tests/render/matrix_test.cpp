#include <gtest/gtest.h>

#include <cmath>

#include "render/matrix.h"

namespace {

constexpr float kPi = 3.14159265358979f;

Matrix translation(float x, float y, float z) {
    Matrix m;
    m.tx = x, m.ty = y, m.tz = z;
    return m;
}

// Rotation, then per-row scale, then translation.
Matrix rotationScaleTranslation(const Rotation& r, Vec3f scale, Vec3f t) {
    Matrix m = translation(t.x, t.y, t.z);
    matrixFromRotation(m, r);
    const float s[3] = {scale.x, scale.y, scale.z};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) m.m[3 * row + col] *= s[row];
    return m;
}

void expectVec(const Vec3f& v, float x, float y, float z, float tolerance = 1e-6f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

void expectIdentity(const Matrix& m, float tolerance) {
    const Matrix identity;
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(m.m[i], identity.m[i], tolerance) << "m" << i;
    EXPECT_NEAR(m.tx, 0.0f, tolerance);
    EXPECT_NEAR(m.ty, 0.0f, tolerance);
    EXPECT_NEAR(m.tz, 0.0f, tolerance);
}

void expectSameMatrix(const Matrix& a, const Matrix& b, float tolerance) {
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "m" << i;
    EXPECT_NEAR(a.tx, b.tx, tolerance);
    EXPECT_NEAR(a.ty, b.ty, tolerance);
    EXPECT_NEAR(a.tz, b.tz, tolerance);
}

TEST(Matrix, IdentityAndPointTransforms) {
    const Matrix identity;
    expectIdentity(identity, 0.0f);
    expectVec(transformPoint(identity, {1, 2, 3}), 1, 2, 3, 0.0f);

    Matrix m = translation(10, 20, 30);
    m.m[1] = 2.0f;  // x feeds y
    m.m[5] = 3.0f;  // y feeds z
    expectVec(transformPoint(m, {1, 1, 1}), 11, 23, 34, 0.0f);
    Vec3f direction{1, 1, 1};
    transformDirection(m, direction);
    expectVec(direction, 1, 3, 4, 0.0f);  // no translation
}

TEST(Matrix, FromRotationTurnsRowVectorsByTheRightHandRule) {
    struct Case {
        Rotation rotation;
        Vec3f in, out;
    };
    const Case cases[] = {
        {{0, 0, 1, kPi / 2}, {1, 0, 0}, {0, 1, 0}},
        {{1, 0, 0, kPi / 2}, {0, 1, 0}, {0, 0, 1}},
        {{0, 1, 0, kPi / 2}, {0, 0, 1}, {1, 0, 0}},
        {{0, 0, 1, -kPi / 2}, {1, 0, 0}, {0, -1, 0}},
        {{0, 0, 5, kPi / 2}, {1, 0, 0}, {0, 1, 0}},  // the axis need not be unit
        {{0, 1, 0, kPi}, {1, 0, 0}, {-1, 0, 0}},
        {{1, 1, 1, 2 * kPi / 3}, {1, 0, 0}, {0, 1, 0}},  // a third of a turn about the diagonal
    };
    for (const Case& c : cases) {
        Matrix m = translation(7, 8, 9);
        matrixFromRotation(m, c.rotation);
        Vec3f v = c.in;
        transformDirection(m, v);
        expectVec(v, c.out.x, c.out.y, c.out.z, 1e-6f);
        // The translation row is left alone.
        EXPECT_EQ(m.tx, 7.0f);
        EXPECT_EQ(m.tz, 9.0f);
    }
    // No usable axis, or a non-finite value: identity linear part.
    for (const Rotation& r : {Rotation{0, 0, 0, 1}, Rotation{1e-10f, 0, 0, 1}, Rotation{0, 1, 0, INFINITY},
                              Rotation{NAN, 0, 1, 1}, Rotation{INFINITY, 0, 0, 1}}) {
        Matrix m = rotationScaleTranslation({1, 0, 0, 1}, {2, 2, 2}, {1, 2, 3});
        matrixFromRotation(m, r);
        for (int i = 0; i < 9; ++i) EXPECT_EQ(m.m[i], Matrix{}.m[i]);
        EXPECT_EQ(m.ty, 2.0f);
    }
    // A huge but finite axis still names a direction.
    Matrix huge;
    matrixFromRotation(huge, 0, 0, 3e30f, kPi / 2);
    Vec3f v{1, 0, 0};
    transformDirection(huge, v);
    expectVec(v, 0, 1, 0);

    Matrix y, expected;
    matrixRotationY(y, 0.7f);
    matrixFromRotation(expected, 0, 1, 0, 0.7f);
    expectSameMatrix(y, expected, 1e-7f);
    Matrix moved = translation(1, 2, 3);
    matrixRotationY(moved, 0.0f);
    expectIdentity(moved, 0.0f);  // the whole matrix, translation included
}

TEST(Matrix, MultiplyAppliesTheLeftOperandFirst) {
    Matrix turn;  // x -> y
    matrixFromRotation(turn, 0, 0, 1, kPi / 2);
    const Matrix shift = translation(1, 0, 0);
    Matrix ab, ba;
    matrixMultiply(ab, turn, shift);
    matrixMultiply(ba, shift, turn);
    expectVec(transformPoint(ab, {1, 0, 0}), 1, 1, 0);  // turned, then shifted
    expectVec(transformPoint(ba, {1, 0, 0}), 0, 2, 0);  // shifted, then turned

    // The result may be written over either input.
    Matrix a = rotationScaleTranslation({1, 2, 3, 0.4f}, {2, 3, 4}, {5, 6, 7});
    const Matrix b = rotationScaleTranslation({-1, 0, 2, 1.1f}, {1, 0.5f, 2}, {-1, 2, -3});
    Matrix expected;
    matrixMultiply(expected, a, b);
    Matrix left = a, right = b;
    matrixMultiply(left, left, b);
    matrixMultiply(right, a, right);
    expectSameMatrix(left, expected, 0.0f);
    expectSameMatrix(right, expected, 0.0f);
    Matrix square = a, expectedSquare;
    matrixMultiply(expectedSquare, a, a);
    matrixMultiply(square, square, square);
    expectSameMatrix(square, expectedSquare, 0.0f);
    // Applying the product equals applying one after the other.
    const Vec3f p{0.3f, -2, 1.5f};
    const Vec3f stepwise = transformPoint(b, transformPoint(a, p));
    expectVec(transformPoint(expected, p), stepwise.x, stepwise.y, stepwise.z, 1e-4f);
}

TEST(Matrix, InversesGiveTheIdentity) {
    const Matrix cases[] = {
        rotationScaleTranslation({0, 1, 0, 0.8f}, {1, 1, 1}, {3, -4, 5}),
        rotationScaleTranslation({1, 2, 3, 2.5f}, {2, 0.5f, 3}, {-1, 7, 0.25f}),
        rotationScaleTranslation({0, 0, 1, 0}, {1e-3f, 1e3f, 1}, {0, 0, 0}),
        rotationScaleTranslation({1, 0, 0, 1}, {-1, 1, 1}, {1, 1, 1}),  // a mirror
    };
    for (const Matrix& m : cases) {
        Matrix inverse = m;
        ASSERT_TRUE(matrixInverse(inverse));
        Matrix product;
        matrixMultiply(product, m, inverse);
        expectIdentity(product, 1e-5f);
        matrixMultiply(product, inverse, m);
        expectIdentity(product, 1e-5f);
    }
    // For a pure rotation the transpose-inverse is the inverse too.
    Matrix rotation, transposed, product;
    matrixFromRotation(rotation, 1, -2, 0.5f, 1.3f);
    transposed = rotation;
    matrixTransposeInverse(transposed);
    matrixMultiply(product, rotation, transposed);
    expectIdentity(product, 1e-6f);
    EXPECT_EQ(transposed.m[1], rotation.m[3]);
    EXPECT_EQ(transposed.m[7], rotation.m[5]);
    Matrix moved = translation(1, -2, 3);
    matrixTransposeInverse(moved);
    expectVec({moved.tx, moved.ty, moved.tz}, -1, 2, -3, 0.0f);
}

TEST(Matrix, SingularInverseIsReportedAndLeavesNoNaN) {
    const Matrix cases[] = {
        rotationScaleTranslation({0, 1, 0, 0.5f}, {1, 0, 1}, {1, 2, 3}),  // a scale of 0
        rotationScaleTranslation({0, 0, 1, 0}, {0, 0, 0}, {0, 0, 0}),
        rotationScaleTranslation({0, 0, 1, 0}, {1e-39f, 1, 1}, {0, 0, 0}),  // inverse beyond float
        Matrix{{1, 2, 3, 2, 4, 6, 0, 0, 1}, 0, 0, 0},  // two parallel rows
        Matrix{{NAN, 0, 0, 0, 1, 0, 0, 0, 1}, 0, 0, 0},
        Matrix{{1, 0, 0, 0, 1, 0, 0, 0, 1}, INFINITY, 0, 0},
    };
    for (const Matrix& m : cases) {
        Matrix inverse = m;
        EXPECT_FALSE(matrixInverse(inverse));
        for (float f : inverse.m) EXPECT_EQ(f, 0.0f);
        EXPECT_EQ(inverse.tx, 0.0f);
        EXPECT_EQ(inverse.ty, 0.0f);
        EXPECT_EQ(inverse.tz, 0.0f);
    }
    // Small but regular scales still invert.
    Matrix small = rotationScaleTranslation({0, 0, 1, 0}, {1e-6f, 1e-6f, 1e-6f}, {1, 0, 0});
    ASSERT_TRUE(matrixInverse(small));
    EXPECT_NEAR(small.m[0], 1e6f, 1.0f);
    EXPECT_NEAR(small.tx, -1e6f, 1.0f);
}

TEST(Matrix, ToRotationRoundTrips) {
    const Vec3f axes[] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {1, 2, 3}, {-0.3f, 0.5f, 0.8f}, {0, 1, 1}};
    const float angles[] = {0.001f, 0.1f, 0.5f, 1.0f, 1.5708f, 2.0f, 3.0f, 3.1f, 3.14f, 3.1415f};
    for (const Vec3f& axis : axes) {
        const float length = std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
        for (float angle : angles) {
            Matrix m;
            matrixFromRotation(m, axis.x, axis.y, axis.z, angle);
            const Rotation r = matrixToRotation(m);
            EXPECT_NEAR(r.angle, angle, 2e-3f) << angle;
            if (angle >= 0.1f) {
                expectVec({r.x, r.y, r.z}, axis.x / length, axis.y / length, axis.z / length, 2e-3f);
                EXPECT_NEAR(std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z), 1.0f, 1e-5f);
            }
            // The rotation found rebuilds the same matrix. The angle comes from
            // the float trace, whose cosine is flat near 0 and pi: there a
            // rounding of 6e-8 moves the angle by up to sqrt(2 * 6e-8).
            const bool flat = angle < 0.01f || angle > kPi - 0.01f;
            Matrix rebuilt;
            matrixFromRotation(rebuilt, r);
            expectSameMatrix(rebuilt, m, flat ? 5e-4f : 2e-5f);
        }
    }
    // A half turn about an oblique axis: the antisymmetric part is only
    // rounding noise, yet the axis comes back (up to its sign).
    Matrix half;
    matrixFromRotation(half, 0, 1, 1, kPi);
    const Rotation r = matrixToRotation(half);
    EXPECT_NEAR(std::fabs(r.y), std::sqrt(0.5f), 1e-5f);
    EXPECT_NEAR(r.y, r.z, 1e-5f);
    EXPECT_NEAR(r.x, 0.0f, 1e-5f);
    Matrix rebuilt;
    matrixFromRotation(rebuilt, r);
    expectSameMatrix(rebuilt, half, 1e-5f);
}

TEST(Matrix, ToRotationWithoutRotationAndOutOfRangeTraces) {
    const Rotation none = matrixToRotation(Matrix{});
    EXPECT_EQ(none.x, 0.0f);
    EXPECT_EQ(none.y, 0.0f);
    EXPECT_EQ(none.z, 1.0f);
    EXPECT_EQ(none.angle, 0.0f);
    // A translation alone is no rotation either.
    const Rotation moved = matrixToRotation(translation(4, 5, 6));
    EXPECT_EQ(moved.z, 1.0f);
    EXPECT_EQ(moved.angle, 0.0f);
    // Rounding past the range of acos is held within it.
    const Rotation over = matrixToRotation(Matrix{{1.0000002f, 0, 0, 0, 1.0000002f, 0, 0, 0, 1.0000002f}, 0, 0, 0});
    EXPECT_EQ(over.angle, 0.0f);
    EXPECT_EQ(over.z, 1.0f);
    const Rotation under = matrixToRotation(Matrix{{-1.0000002f, 0, 0, 0, -1.0000002f, 0, 0, 0, 1}, 0, 0, 0});
    EXPECT_NEAR(under.angle, kPi, 1e-6f);
    EXPECT_NEAR(std::fabs(under.z), 1.0f, 1e-6f);
    EXPECT_FALSE(std::isnan(under.x) || std::isnan(under.y));
    const Rotation broken = matrixToRotation(Matrix{{NAN, 0, 0, 0, 1, 0, 0, 0, 1}, 0, 0, 0});
    EXPECT_EQ(broken.angle, 0.0f);
    EXPECT_EQ(broken.z, 1.0f);
}

TEST(Matrix, NormalizeAndLerpVectors) {
    struct Case {
        Vec3f in, out;
    };
    const Case cases[] = {
        {{3, 4, 0}, {0.6f, 0.8f, 0}},
        {{0, 0, -2}, {0, 0, -1}},
        {{0, 0, 0}, {0, 0, 0}},          // zero stays zero
        {{1e30f, 0, 0}, {1, 0, 0}},      // squares would overflow a float
        {{0, 3e-30f, 4e-30f}, {0, 0.6f, 0.8f}},  // squares would underflow
        {{0, 0, 1e-44f}, {0, 0, 1}},     // subnormal
    };
    for (const Case& c : cases) {
        Vec3f v = c.in;
        normalizeVector(v);
        expectVec(v, c.out.x, c.out.y, c.out.z);
    }
    expectVec(lerpVector({0, 0, 0}, {2, 4, -6}, 0.25f), 0.5f, 1, -1.5f, 0.0f);
    expectVec(lerpVector({1, 1, 1}, {3, 3, 3}, 0.0f), 1, 1, 1, 0.0f);
    expectVec(lerpVector({1, 1, 1}, {3, 3, 3}, 1.0f), 3, 3, 3, 0.0f);
}

void expectRotation(const Rotation& r, float x, float y, float z, float angle, float tolerance) {
    EXPECT_NEAR(r.x, x, tolerance);
    EXPECT_NEAR(r.y, y, tolerance);
    EXPECT_NEAR(r.z, z, tolerance);
    EXPECT_NEAR(r.angle, angle, tolerance);
}

TEST(Matrix, SlerpRotationExamples) {
    // Half way to a half turn about y: a quarter turn.
    expectRotation(slerpRotation({0, 1, 0, 0}, {0, 1, 0, 3.14159f}, 0.5f), 0, 1, 0, 1.5708f, 1e-4f);
    // Three quarter turns is a quarter turn the other way: the shorter arc.
    expectRotation(slerpRotation({0, 1, 0, 0}, {0, 1, 0, 4.71239f}, 0.5f), 0, -1, 0, 0.7854f, 1e-4f);
    // Axes need not be unit; the result's is.
    expectRotation(slerpRotation({0, 0, 3, 0.5f}, {0, 0, 0.5f, 1.5f}, 0.25f), 0, 0, 1, 0.75f, 1e-5f);
    // The ends give the end rotations.
    expectRotation(slerpRotation({1, 0, 0, 0.3f}, {0, 1, 0, 1.2f}, 0.0f), 1, 0, 0, 0.3f, 1e-5f);
    expectRotation(slerpRotation({1, 0, 0, 0.3f}, {0, 2, 0, 1.2f}, 1.0f), 0, 1, 0, 1.2f, 1e-5f);
}

TEST(Matrix, SlerpRotationDegenerateCases) {
    // Zero axes are no rotation; two of them give the zero axis and angle 0.
    expectRotation(slerpRotation({0, 0, 0, 1}, {0, 0, 0, 2}, 0.5f), 0, 0, 0, 0, 0.0f);
    expectRotation(slerpRotation({0, 0, 0, 5}, {1e-6f, 0, 0, 2}, 0.3f), 0, 0, 0, 0, 0.0f);
    // One zero axis: half way from no rotation to a quarter turn.
    expectRotation(slerpRotation({0, 0, 0, 0}, {0, 1, 0, kPi / 2}, 0.5f), 0, 1, 0, kPi / 4, 1e-5f);
    // Non-finite rotations count as no rotation.
    expectRotation(slerpRotation({0, 1, 0, INFINITY}, {0, 1, 0, 1}, 0.5f), 0, 1, 0, 0.5f, 1e-5f);
    expectRotation(slerpRotation({NAN, 1, 0, 1}, {0, 1, 0, 1}, 0.5f), 0, 1, 0, 0.5f, 1e-5f);

    // Equal or nearly equal quaternions blend linearly: no division by a
    // vanishing sin(theta), no acos of a dot product rounded above 1.
    const Rotation samples[] = {{0.3f, -0.5f, 0.8f, 1.1f}, {1, 1, 1, 2.9f}, {0, 0, 1, 1e-3f}};
    for (const Rotation& a : samples) {
        const float length = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
        for (float t : {0.0f, 0.3f, 0.5f, 1.0f}) {
            const Rotation r = slerpRotation(a, a, t);
            expectRotation(r, a.x / length, a.y / length, a.z / length, a.angle, 2e-4f);
        }
    }
    // 1e-4 radians apart: 1 - dot is about 1e-9, so the weights are 1 - t and t.
    const Rotation near = slerpRotation({0, 1, 0, 1.0f}, {0, 1, 0, 1.0001f}, 0.5f);
    EXPECT_FALSE(std::isnan(near.angle));
    expectRotation(near, 0, 1, 0, 1.00005f, 1e-6f);
    // A sweep of t stays on the arc and never leaves it for NaN.
    for (int i = 0; i <= 10; ++i) {
        const float t = i / 10.0f;
        const Rotation r = slerpRotation({0, 0, 1, 0.2f}, {0, 0, 1, 2.2f}, t);
        expectRotation(r, 0, 0, 1, 0.2f + 2.0f * t, 1e-5f);
    }
}

}  // namespace
