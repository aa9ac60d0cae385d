// Matrix and vector operations.
//
// Row-vector convention throughout: the rotation written by matrixFromRotation
// is the transpose of the usual column-vector matrix, so a row vector times it
// turns by the right-hand rule, as a VRML rotation does. Float expressions are
// written in the order they are evaluated (the build forbids contraction), so
// the results are bit-identical everywhere.
#include "render/matrix.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace {

// Below this length the squares of the components leave the normal float
// range and lose their precision; above FLT_MAX they overflow.
constexpr float kSmallestPlainLength = 1e-18f;

// What a failed inverse leaves: every point maps to the origin.
constexpr Matrix kCollapsed{{0, 0, 0, 0, 0, 0, 0, 0, 0}, 0.0f, 0.0f, 0.0f};

void setIdentityLinear(Matrix& matrix) {
    const Matrix identity;
    std::copy(std::begin(identity.m), std::end(identity.m), std::begin(matrix.m));
}

float cosOf(float angle) { return static_cast<float>(std::cos(static_cast<double>(angle))); }
float sinOf(float angle) { return static_cast<float>(std::sin(static_cast<double>(angle))); }

// Below this cosine the angle is within about 2.6 degrees of a half turn. The
// antisymmetric part of the matrix, 2 sin(angle) times the axis, then shrinks
// towards rounding noise, so the axis is read from the symmetric part instead.
constexpr double kNearHalfTurnCosine = -0.999;

// The axis of a rotation by nearly pi, from the symmetric part
// cos(angle) I + (1 - cos(angle)) k k^T; the antisymmetric part only picks the
// sign. Returns a unit axis.
Rotation axisNearHalfTurn(const Matrix& matrix, double cosine, float angle) {
    const float* m = matrix.m;
    const double t = 1.0 - cosine;  // about 2 here
    const double diagonal[3] = {(m[0] - cosine) / t, (m[4] - cosine) / t, (m[8] - cosine) / t};
    // Sums of the mirrored off-diagonal pairs: 2 t k_i k_j.
    const double p01 = static_cast<double>(m[1]) + m[3];
    const double p02 = static_cast<double>(m[2]) + m[6];
    const double p12 = static_cast<double>(m[5]) + m[7];
    const double pairs[3][3] = {{0.0, p01, p02}, {p01, 0.0, p12}, {p02, p12, 0.0}};
    // The largest component is at least 1/sqrt(3): a safe divisor for the rest.
    const int largest = static_cast<int>(std::max_element(diagonal, diagonal + 3) - diagonal);
    const double kLargest = std::sqrt(std::max(diagonal[largest], 0.0));
    double k[3];
    for (int j = 0; j < 3; ++j)
        k[j] = j == largest ? kLargest : pairs[largest][j] / (2.0 * t * kLargest);
    // 2 sin(angle) k, with sin(angle) >= 0 for an angle in 0..pi.
    const double sine[3] = {static_cast<double>(m[5]) - m[7], static_cast<double>(m[6]) - m[2],
                            static_cast<double>(m[1]) - m[3]};
    const double sign = sine[0] * k[0] + sine[1] * k[1] + sine[2] * k[2] < 0.0 ? -1.0 : 1.0;
    const double scale = sign / std::sqrt(k[0] * k[0] + k[1] * k[1] + k[2] * k[2]);
    return Rotation{static_cast<float>(k[0] * scale), static_cast<float>(k[1] * scale),
                    static_cast<float>(k[2] * scale), angle};
}

struct Quaternion {
    float x, y, z, w;
};

Quaternion toQuaternion(const Rotation& r) {
    const float length = vectorLength(r.x, r.y, r.z);
    if (!(length >= 1e-5) || !std::isfinite(length) || !std::isfinite(r.angle))
        return Quaternion{0.0f, 0.0f, 0.0f, 1.0f};
    const float half = r.angle * 0.5f;
    const float k = sinOf(half) / length;
    return Quaternion{k * r.x, k * r.y, k * r.z, cosOf(half)};
}

}  // namespace

void matrixFromRotation(Matrix& matrix, float x, float y, float z, float angle) {
    const float length = vectorLength(x, y, z);
    if (!(length >= 1e-9) || !std::isfinite(length) || !std::isfinite(angle)) {
        setIdentityLinear(matrix);
        return;
    }
    x /= length;
    y /= length;
    z /= length;
    const float c = cosOf(angle), s = sinOf(angle), t = 1.0f - c;
    float* m = matrix.m;
    m[0] = t * x * x + c;
    m[1] = t * x * y + s * z;
    m[2] = t * x * z - s * y;
    m[3] = t * x * y - s * z;
    m[4] = t * y * y + c;
    m[5] = t * y * z + s * x;
    m[6] = t * x * z + s * y;
    m[7] = t * y * z - s * x;
    m[8] = t * z * z + c;
}

void matrixFromRotation(Matrix& matrix, const Rotation& rotation) {
    matrixFromRotation(matrix, rotation.x, rotation.y, rotation.z, rotation.angle);
}

void matrixRotationY(Matrix& matrix, float angle) {
    const float c = cosOf(angle), s = sinOf(angle);
    matrix = Matrix{{c, 0.0f, -s, 0.0f, 1.0f, 0.0f, s, 0.0f, c}, 0.0f, 0.0f, 0.0f};
}

void matrixMultiply(Matrix& out, const Matrix& a, const Matrix& b) {
    // Copies first: out may be a or b.
    const Matrix A = a, B = b;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out.m[3 * r + c] = A.m[3 * r] * B.m[c] + A.m[3 * r + 1] * B.m[3 + c] + A.m[3 * r + 2] * B.m[6 + c];
    out.tx = A.tx * B.m[0] + A.ty * B.m[3] + A.tz * B.m[6] + B.tx;
    out.ty = A.tx * B.m[1] + A.ty * B.m[4] + A.tz * B.m[7] + B.ty;
    out.tz = A.tx * B.m[2] + A.ty * B.m[5] + A.tz * B.m[8] + B.tz;
}

void matrixTransposeInverse(Matrix& matrix) {
    std::swap(matrix.m[1], matrix.m[3]);
    std::swap(matrix.m[2], matrix.m[6]);
    std::swap(matrix.m[5], matrix.m[7]);
    matrix.tx = -matrix.tx;
    matrix.ty = -matrix.ty;
    matrix.tz = -matrix.tz;
}

bool matrixInverse(Matrix& matrix) {
    // Adjugate over determinant, in double: float entries cannot overflow the
    // products, and the inverse of a scaled matrix keeps full float precision.
    const float* m = matrix.m;
    const double r00 = m[0], r01 = m[1], r02 = m[2];
    const double r10 = m[3], r11 = m[4], r12 = m[5];
    const double r20 = m[6], r21 = m[7], r22 = m[8];
    const double c00 = r11 * r22 - r12 * r21;
    const double c01 = r12 * r20 - r10 * r22;
    const double c02 = r10 * r21 - r11 * r20;
    const double det = r00 * c00 + r01 * c01 + r02 * c02;
    if (det == 0.0 || !std::isfinite(det)) {
        matrix = kCollapsed;
        return false;
    }
    // inv[3r + c] is the cofactor of element (c, r) over the determinant.
    const double inv[9] = {c00 / det, (r02 * r21 - r01 * r22) / det, (r01 * r12 - r02 * r11) / det,
                           c01 / det, (r00 * r22 - r02 * r20) / det, (r02 * r10 - r00 * r12) / det,
                           c02 / det, (r01 * r20 - r00 * r21) / det, (r00 * r11 - r01 * r10) / det};
    const double t[3] = {matrix.tx, matrix.ty, matrix.tz};
    Matrix result;
    bool finite = true;
    for (int n = 0; n < 9; ++n) {
        result.m[n] = static_cast<float>(inv[n]);
        finite = finite && std::isfinite(result.m[n]);
    }
    float* translation[3] = {&result.tx, &result.ty, &result.tz};
    for (int col = 0; col < 3; ++col) {
        *translation[col] = static_cast<float>(-(t[0] * inv[col] + t[1] * inv[3 + col] + t[2] * inv[6 + col]));
        finite = finite && std::isfinite(*translation[col]);
    }
    if (!finite) {
        // A nearly singular matrix whose inverse overflows a float.
        matrix = kCollapsed;
        return false;
    }
    matrix = result;
    return true;
}

Rotation matrixToRotation(const Matrix& matrix) {
    const float* m = matrix.m;
    double cosine = static_cast<double>(m[0] + m[4] + m[8] - 1.0f) * 0.5;
    if (std::isnan(cosine)) return Rotation{0.0f, 0.0f, 1.0f, 0.0f};
    // Rounding can push the trace of a rotation just past +-1.
    cosine = std::clamp(cosine, -1.0, 1.0);
    const float angle = static_cast<float>(std::acos(cosine));
    if (cosine < kNearHalfTurnCosine) return axisNearHalfTurn(matrix, cosine, angle);
    const float d = static_cast<float>(2.0 * std::sin(static_cast<double>(angle)));
    if (d == 0.0f) return Rotation{0.0f, 0.0f, 1.0f, 0.0f};
    return Rotation{(m[5] - m[7]) / d, (m[6] - m[2]) / d, (m[1] - m[3]) / d, angle};
}

Vec3f transformPoint(const Matrix& matrix, const Vec3f& p) {
    const float* m = matrix.m;
    return Vec3f{p.x * m[0] + p.y * m[3] + p.z * m[6] + matrix.tx,
                 p.x * m[1] + p.y * m[4] + p.z * m[7] + matrix.ty,
                 p.x * m[2] + p.y * m[5] + p.z * m[8] + matrix.tz};
}

void transformDirection(const Matrix& matrix, Vec3f& v) {
    const float* m = matrix.m;
    v = Vec3f{v.x * m[0] + v.y * m[3] + v.z * m[6],
              v.x * m[1] + v.y * m[4] + v.z * m[7],
              v.x * m[2] + v.y * m[5] + v.z * m[8]};
}

float vectorLength(float x, float y, float z) {
    const float length = static_cast<float>(std::sqrt(static_cast<double>(x * x + y * y + z * z)));
    if (length >= kSmallestPlainLength && !std::isinf(length)) return length;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return length;
    const float largest = std::max({std::fabs(x), std::fabs(y), std::fabs(z)});
    if (largest == 0.0f) return 0.0f;
    const float sx = x / largest, sy = y / largest, sz = z / largest;
    return largest * static_cast<float>(std::sqrt(static_cast<double>(sx * sx + sy * sy + sz * sz)));
}

void normalizeVector(Vec3f& v) {
    const float length = vectorLength(v.x, v.y, v.z);
    if (length == 0.0f) return;
    const float inverse = 1.0f / length;
    if (std::isinf(inverse)) {
        // A length below 1/FLT_MAX (subnormal components): divide instead.
        v.x /= length;
        v.y /= length;
        v.z /= length;
        return;
    }
    v.x *= inverse;
    v.y *= inverse;
    v.z *= inverse;
}

Vec3f lerpVector(const Vec3f& a, const Vec3f& b, float t) {
    return Vec3f{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

Rotation slerpRotation(const Rotation& a, const Rotation& b, float t) {
    const Quaternion qa = toQuaternion(a), qb = toQuaternion(b);
    float dot = qa.x * qb.x + qa.y * qb.y + qa.z * qb.z + qa.w * qb.w;
    // q and -q are the same rotation; the smaller |angle| between them is the
    // shorter arc.
    const bool negate = dot < 0.0f;
    if (negate) dot = -dot;
    float ka, kb;
    // Within 1e-5 of each other sin(theta) is too small to divide by; linear
    // weights are then as good.
    if (1.0f - dot > 1e-5) {
        const float theta = static_cast<float>(std::acos(static_cast<double>(dot)));
        const float sinTheta = sinOf(theta);
        ka = sinOf((1.0f - t) * theta) / sinTheta;
        kb = sinOf(t * theta) / sinTheta;
    } else {
        ka = 1.0f - t;
        kb = t;
    }
    if (negate) kb = -kb;
    const Quaternion q{ka * qa.x + kb * qb.x, ka * qa.y + kb * qb.y, ka * qa.z + kb * qb.z,
                       ka * qa.w + kb * qb.w};
    const double n = std::sqrt(static_cast<double>(q.x * q.x + q.y * q.y + q.z * q.z));
    Rotation result{0.0f, 0.0f, 0.0f, static_cast<float>(2.0 * std::atan2(n, static_cast<double>(q.w)))};
    if (n > 1e-5) {
        const double inverse = 1.0 / n;
        result.x = static_cast<float>(q.x * inverse);
        result.y = static_cast<float>(q.y * inverse);
        result.z = static_cast<float>(q.z * inverse);
    }
    return result;
}
