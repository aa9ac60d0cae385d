// The operations on Matrix (the record is in base/values.h): the affine
// transforms shared by the renderer, the navigation and the sensors, with the
// vector and rotation helpers that go with them.
//
// A x B applies A first, then B.
//
// Geometry is single precision. Square roots and trigonometry are evaluated in
// double on values converted from float, and their results are stored back as
// float, so every machine gives the same bits.
#pragma once

#include "base/values.h"

// Every operation below may write its result over one of its inputs.

// Sets the linear part to the rotation by angle about the axis (any length),
// turning row vectors by the right-hand rule; the translation row is kept.
// An axis shorter than 1e-9, or a non-finite axis or angle, gives the
// identity linear part.
void matrixFromRotation(Matrix& matrix, float x, float y, float z, float angle);
void matrixFromRotation(Matrix& matrix, const Rotation& rotation);

// The whole matrix becomes the rotation by angle about +y, zero translation.
void matrixRotationY(Matrix& matrix, float angle);

// out = a x b: the transform that applies a first, then b.
void matrixMultiply(Matrix& out, const Matrix& a, const Matrix& b);

// Transposes the linear part and negates the translation: the inverse of a
// pure rotation with zero translation, and only of that.
void matrixTransposeInverse(Matrix& matrix);

// Replaces the matrix by its exact affine inverse (linear part inverted,
// translation -t.L^-1) and returns true. When the matrix has no finite inverse
// (determinant 0, as for a scale of 0, or non-finite entries) it returns false
// and the matrix becomes all zeros: it then maps everything onto one point,
// which draws nothing.
bool matrixInverse(Matrix& matrix);

// The rotation of the linear part as a unit axis and an angle in 0..pi. A
// linear part without rotation gives (0, 0, 1, 0).
Rotation matrixToRotation(const Matrix& matrix);

// p.L + t.
Vec3f transformPoint(const Matrix& matrix, const Vec3f& point);

// v.L, in place (no translation).
void transformDirection(const Matrix& matrix, Vec3f& vector);

// The length: float sum of squares, double square root. When the squares
// would underflow or overflow although the components are finite, it is
// measured on the vector scaled by its largest component, so that very small
// and very large vectors still get their true length.
float vectorLength(float x, float y, float z);

// Scales the vector to unit length; a zero vector stays zero.
void normalizeVector(Vec3f& vector);

// a + (b - a) t per component.
Vec3f lerpVector(const Vec3f& a, const Vec3f& b, float t);

// Spherical interpolation from a to b along the shorter arc, t in 0..1. An
// axis shorter than 1e-5 (or a non-finite rotation) counts as no rotation.
// Quaternions closer than 1e-5 blend linearly. The result has a unit axis and
// an angle in 0..2 pi, or the axis (0, 0, 0) when it is (nearly) no rotation.
Rotation slerpRotation(const Rotation& a, const Rotation& b, float t);
