// Plain value types shared by the field classes, the camera maths, the render
// records and the rasterizer's texture-coordinate input. Geometry is single
// precision.
#pragma once

struct Vec2f {
    float x = 0.0f;
    float y = 0.0f;
};

struct Vec3f {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// An RGB colour with the fourth component that text never sets (0 unless
// copied from another colour).
struct Color4f {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};

// Axis-angle rotation as written in a world file: axis (not necessarily of
// unit length), then the angle in radians.
struct Rotation {
    float x = 0.0f;
    float y = 0.0f;
    float z = 1.0f;
    float angle = 0.0f;
};

// An affine transform. Points are row vectors multiplied from the left:
// p' = p.L + t, where L is the 3x3 linear part and t the translation row.
// There is no fourth column; projection is done separately. The operations
// are in render/matrix.h.
struct Matrix {
    // The linear part by rows: row r, column c is m[3 * r + c] (m0 .. m8).
    float m[9] = {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    // The translation row.
    float tx = 0.0f;
    float ty = 0.0f;
    float tz = 0.0f;
};
