#pragma once

#include <type_traits>

#include "math/vector3.h"

// Column-major 4x4, laid out as glLoadMatrixf takes it: element (row r,
// column c) is m[4 * c + r]; column 3 holds the translation.
// A default-constructed matrix is the identity.
struct Matrix4 {
    float m[16] = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f,
                   0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};

    constexpr float& operator[](int i) { return m[i]; }
    constexpr const float& operator[](int i) const { return m[i]; }
    const float* data() const { return m; }

    static constexpr Matrix4 identity() { return Matrix4{}; }
};

static_assert(sizeof(Matrix4) == 64);
static_assert(std::is_standard_layout_v<Matrix4> && std::is_trivially_copyable_v<Matrix4>);

// dst = M * src, both taken as affine (bottom rows read as 0 0 0 1).
// With M a parent and src a child, dst is the child in the parent's frame.
Matrix4& multiplyAffine(Matrix4 M, const Matrix4& src, Matrix4& dst);

void invertMatrix(Matrix4& m);

// Rotation Ry(angles.y) * Rx(angles.x) * Rz(angles.z), then translation.
void makeEulerMatrix(const Vector3& angles, const Vector3& position, Matrix4& out);

// Rotation part becomes Ry(angle); elements 12-15 are kept.
void setYawRotation(Matrix4& m, float angle);

// z axis along direction (not normalised), y axis toward up.
void makeOrientedMatrix(const Vector3& direction, const Vector3& up, const Vector3& position, Matrix4& out);

// Moves m the fraction t toward target, then re-normalises its three axes.
void blendMatrix(const Matrix4& target, Matrix4& m, float t);

void makeViewMatrix(Vector3 eye, Vector3 forward, Vector3 right, Vector3 up, Matrix4& out);

// viewDir = Ry(ay) * Rx(ax) * Rz(az) * viewDir, not re-normalised.
void rotateViewDir(Vector3& viewDir, float ax, float ay, float az);

// Look-at view from eye along viewDir; the right axis is viewDir x up.
Matrix4& buildCameraViewMatrix(const Vector3& eye, const Vector3& viewDir, const Vector3& up, Matrix4& out);
