#include "math/matrix.h"

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

namespace {

constexpr float HalfPi = std::numbers::pi_v<float> / 2.0f;
constexpr float Tol = 1e-5f;
constexpr Vector3 Up = {0.0f, 1.0f, 0.0f};
// Starting point for outputs, so that an element left unwritten shows.
constexpr Matrix4 Stale{{9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9}};

void expectMatrixNear(const Matrix4& a, const Matrix4& b, float tol = Tol) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(a[i], b[i], tol) << "element " << i;
    }
}

void expectVectorNear(const Vector3& a, const Vector3& b) {
    EXPECT_NEAR(a.x, b.x, Tol);
    EXPECT_NEAR(a.y, b.y, Tol);
    EXPECT_NEAR(a.z, b.z, Tol);
}

Vector3 column(const Matrix4& m, int c) { return {m[4 * c], m[4 * c + 1], m[4 * c + 2]}; }

Vector3 transformPoint(const Matrix4& m, const Vector3& p) {
    Vector3 r;
    for (int i = 0; i < 3; ++i) {
        r[i] = m[i] * p.x + m[4 + i] * p.y + m[8 + i] * p.z + m[12 + i];
    }
    return r;
}

// Full 4x4 product, independent of multiplyAffine.
Matrix4 product(const Matrix4& a, const Matrix4& b) {
    Matrix4 r;
    for (int i = 0; i < 16; ++i) {
        const int row = i % 4, col = i / 4;
        r[i] = 0.0f;
        for (int k = 0; k < 4; ++k) {
            r[i] += a[4 * k + row] * b[4 * col + k];
        }
    }
    return r;
}

}  // namespace

TEST(MultiplyAffine, IdentityForcesBottomRowAndParentComesFirst) {
    const Matrix4 src{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};
    Matrix4 dst;
    multiplyAffine(Matrix4::identity(), src, dst);
    expectMatrixNear(dst, {{1, 2, 3, 0, 5, 6, 7, 0, 9, 10, 11, 0, 13, 14, 15, 1}}, 0.0f);

    Matrix4 parent, child;
    makeEulerMatrix({0.0f, HalfPi, 0.0f}, {10.0f, 0.0f, 0.0f}, parent);
    makeEulerMatrix({}, {1.0f, 0.0f, 0.0f}, child);
    expectVectorNear(column(multiplyAffine(parent, child, dst), 3), {10.0f, 0.0f, -1.0f});
    expectVectorNear(column(multiplyAffine(child, parent, dst), 3), {11.0f, 0.0f, 0.0f});

    // The result may be written over the child.
    multiplyAffine(parent, child, dst);
    multiplyAffine(parent, child, child);
    expectMatrixNear(child, dst, 0.0f);
}

TEST(InvertMatrix, ProductWithOriginalIsIdentity) {
    Matrix4 rigid;
    makeEulerMatrix({0.3f, -1.2f, 2.0f}, {4.0f, -5.0f, 6.0f}, rigid);
    Matrix4 inv = rigid;
    invertMatrix(inv);
    expectMatrixNear(product(rigid, inv), Matrix4::identity());

    // Not affine, not orthogonal: every cofactor position matters.
    const Matrix4 general{{2, 1, 0, 1, 0, 3, 1, 0, 1, 0, 4, 2, 3, 1, 0, 5}};
    inv = general;
    invertMatrix(inv);
    expectMatrixNear(product(general, inv), Matrix4::identity());
}

TEST(MakeEulerMatrix, YawQuarterTurnAndComposition) {
    Matrix4 m = Stale;
    makeEulerMatrix({0.0f, HalfPi, 0.0f}, {1.0f, 2.0f, 3.0f}, m);
    expectMatrixNear(m, {{0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 1, 2, 3, 1}});

    const float x = 0.4f, y = -0.9f, z = 1.3f;
    Matrix4 rx, ry, rz;
    rx[5] = rx[10] = std::cos(x), rx[6] = std::sin(x), rx[9] = -std::sin(x);
    ry[0] = ry[10] = std::cos(y), ry[2] = -std::sin(y), ry[8] = std::sin(y);
    rz[0] = rz[5] = std::cos(z), rz[1] = std::sin(z), rz[4] = -std::sin(z);
    makeEulerMatrix({x, y, z}, {}, m);
    expectMatrixNear(m, product(ry, product(rx, rz)));
}

TEST(SetYawRotation, MatchesEulerAndKeepsLastColumn) {
    Matrix4 m{{9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 0.3f, -7.0f, 1e-9f, 2.5f}};
    setYawRotation(m, 0.8f);
    EXPECT_EQ(m[12], 0.3f);
    EXPECT_EQ(m[13], -7.0f);
    EXPECT_EQ(m[14], 1e-9f);
    EXPECT_EQ(m[15], 2.5f);

    Matrix4 euler;
    makeEulerMatrix({0.0f, 0.8f, 0.0f}, {0.3f, -7.0f, 1e-9f}, euler);
    euler[15] = 2.5f;
    expectMatrixNear(m, euler);
}

TEST(MakeOrientedMatrix, RightHandedFrameAlongDirection) {
    Matrix4 m = Stale;
    makeOrientedMatrix({0.0f, 0.0f, 1.0f}, Up, {7.0f, 8.0f, 9.0f}, m);
    expectMatrixNear(m, {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 7, 8, 9, 1}});

    const Vector3 dir = {0.48f, -0.6f, 0.64f};
    makeOrientedMatrix(dir, Up, {}, m);
    expectVectorNear(cross(column(m, 0), column(m, 1)), dir);
    EXPECT_NEAR(length(column(m, 0)), 1.0f, Tol);
    EXPECT_NEAR(dot(column(m, 0), column(m, 1)), 0.0f, Tol);
    EXPECT_GT(column(m, 1).y, 0.0f);

    // Looking straight up leaves no sideways axis; it must not become NaN.
    makeOrientedMatrix({0.0f, 2.0f, 0.0f}, Up, {}, m);
    expectVectorNear(column(m, 0), {});
    expectVectorNear(column(m, 2), {0.0f, 2.0f, 0.0f});
}

TEST(RotateViewDir, AppliesEulerRotation) {
    Vector3 v = {0.0f, 0.0f, 1.0f};
    rotateViewDir(v, 0.0f, HalfPi, 0.0f);
    expectVectorNear(v, {1.0f, 0.0f, 0.0f});

    Matrix4 r;
    makeEulerMatrix({0.5f, -0.7f, 0.2f}, {}, r);
    v = {0.6f, -1.2f, 1.4f};
    const Vector3 expected = transformPoint(r, v);
    rotateViewDir(v, 0.5f, -0.7f, 0.2f);
    expectVectorNear(v, expected);
}

TEST(BlendMatrix, BlendsThenNormalisesAxes) {
    const Matrix4 m{{2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0.5f, 0, 4, 5, 6, 1}};
    const Matrix4 target{{0, 4, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -4, 1, 0, 1}};

    Matrix4 a = m;
    blendMatrix(target, a, 0.0f);
    expectMatrixNear(a, {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 4, 5, 6, 1}});

    Matrix4 b = m;
    blendMatrix(target, b, 1.0f);
    expectMatrixNear(b, {{0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -4, 1, 0, 1}});

    Matrix4 zeroAxis = m, zeroTarget = target;
    zeroAxis[5] = zeroTarget[5] = 0.0f;
    blendMatrix(zeroTarget, zeroAxis, 0.5f);
    expectVectorNear(column(zeroAxis, 1), {});
}

TEST(ViewMatrix, CameraMatchesExplicitAxesAndLooksDownNegativeZ) {
    Matrix4 fromAxes = Stale, fromCamera = Stale;
    makeViewMatrix({0.0f, 1.0f, -5.0f}, {0.0f, 0.0f, 1.0f}, {-1.0f, 0.0f, 0.0f}, Up, fromAxes);
    expectMatrixNear(fromAxes, {{-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, -1, -5, 1}});
    buildCameraViewMatrix({0.0f, 1.0f, -5.0f}, {0.0f, 0.0f, 1.0f}, Up, fromCamera);
    expectMatrixNear(fromCamera, fromAxes);

    // Looking down and to the side.
    const Vector3 eye = {3.0f, 2.0f, -1.0f};
    const Vector3 dir = {0.48f, -0.6f, 0.64f};
    Matrix4 view;
    buildCameraViewMatrix(eye, dir, Up, view);
    expectVectorNear(transformPoint(view, eye), {});
    const Vector3 ahead = {eye.x + 2.0f * dir.x, eye.y + 2.0f * dir.y, eye.z + 2.0f * dir.z};
    expectVectorNear(transformPoint(view, ahead), {0.0f, 0.0f, -2.0f});
    const Vector3 above = transformPoint(view, {eye.x, eye.y + 1.0f, eye.z});
    EXPECT_NEAR(above.x, 0.0f, Tol);
    EXPECT_GT(above.y, 0.0f);
}
