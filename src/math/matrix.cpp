#include "math/matrix.h"

#include <cmath>

namespace {

float cofactorSign(int n) { return (n % 2 == 0) ? 1.0f : -1.0f; }

// Determinant of the 3x3 left after removing one row and one column.
float minorDeterminant(const Matrix4& m, int row, int col) {
    float a[9];
    int n = 0;
    for (int c = 0; c < 4; ++c) {
        if (c == col) {
            continue;
        }
        for (int r = 0; r < 4; ++r) {
            if (r != row) {
                a[n++] = m[4 * c + r];
            }
        }
    }
    return a[0] * (a[4] * a[8] - a[7] * a[5]) - a[3] * (a[1] * a[8] - a[7] * a[2]) +
           a[6] * (a[1] * a[5] - a[4] * a[2]);
}

void setColumn(Matrix4& out, int col, const Vector3& v) {
    out[4 * col] = v.x;
    out[4 * col + 1] = v.y;
    out[4 * col + 2] = v.z;
}

}  // namespace

Matrix4& multiplyAffine(Matrix4 M, const Matrix4& src, Matrix4& dst) {
    // Built in a local so that dst may be src; the bottom row stays 0 0 0 1.
    Matrix4 r;
    for (int c = 0; c < 4; ++c) {
        for (int row = 0; row < 3; ++row) {
            float v = M[row] * src[4 * c] + M[4 + row] * src[4 * c + 1] + M[8 + row] * src[4 * c + 2];
            if (c == 3) {
                v += M[12 + row];
            }
            r[4 * c + row] = v;
        }
    }
    dst = r;
    return dst;
}

void invertMatrix(Matrix4& m) {
    float det = 0.0f;
    for (int i = 0; i < 4; ++i) {
        det += cofactorSign(i) * m[i] * minorDeterminant(m, i, 0);
    }
    // No singularity check: callers pass rigid transforms only, and a singular
    // matrix just comes back full of inf/NaN.
    const float invDet = 1.0f / det;

    Matrix4 inv;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            inv[i + 4 * j] = cofactorSign(i + j) * minorDeterminant(m, j, i) * invDet;
        }
    }
    m = inv;
}

void makeEulerMatrix(const Vector3& angles, const Vector3& position, Matrix4& out) {
    const float cx = std::cos(angles.x), sx = std::sin(angles.x);
    const float cy = std::cos(angles.y), sy = std::sin(angles.y);
    const float cz = std::cos(angles.z), sz = std::sin(angles.z);

    out[0] = sz * sy * sx + cz * cy;
    out[1] = sz * cx;
    out[2] = sz * cy * sx - cz * sy;
    out[3] = 0.0f;
    out[4] = cz * sy * sx - sz * cy;
    out[5] = cz * cx;
    out[6] = cz * cy * sx + sz * sy;
    out[7] = 0.0f;
    out[8] = sy * cx;
    out[9] = -sx;
    out[10] = cy * cx;
    out[11] = 0.0f;
    setColumn(out, 3, position);
    out[15] = 1.0f;
}

void setYawRotation(Matrix4& m, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    const float rotation[12] = {c, 0.0f, -s, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, s, 0.0f, c, 0.0f};
    for (int i = 0; i < 12; ++i) {
        m[i] = rotation[i];
    }
}

void makeOrientedMatrix(const Vector3& direction, const Vector3& up, const Vector3& position, Matrix4& out) {
    Vector3 c = cross(direction, up);
    const float len = length(c);
    if (len != 0.0f) {
        c = {c.x / len, c.y / len, c.z / len};
    }
    setColumn(out, 0, {-c.x, -c.y, -c.z});
    setColumn(out, 1, cross(c, direction));
    setColumn(out, 2, direction);
    setColumn(out, 3, position);
    out[3] = out[7] = out[11] = 0.0f;
    out[15] = 1.0f;
}

void blendMatrix(const Matrix4& target, Matrix4& m, float t) {
    for (int k = 0; k < 16; ++k) {
        m[k] = m[k] * (1.0f - t) + target[k] * t;
    }
    // Axes are re-normalised but not re-orthogonalised.
    for (int col = 0; col < 3; ++col) {
        float* axis = &m[4 * col];
        const float len = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
        if (len != 0.0f) {
            const float inv = 1.0f / len;
            axis[0] *= inv;
            axis[1] *= inv;
            axis[2] *= inv;
        }
    }
}

void makeViewMatrix(Vector3 eye, Vector3 forward, Vector3 right, Vector3 up, Matrix4& out) {
    for (int c = 0; c < 3; ++c) {
        out[4 * c] = right[c];
        out[4 * c + 1] = up[c];
        out[4 * c + 2] = -forward[c];
        out[4 * c + 3] = 0.0f;
    }
    out[12] = -dot(right, eye);
    out[13] = -dot(up, eye);
    out[14] = dot(forward, eye);
    out[15] = 1.0f;
}

void rotateViewDir(Vector3& viewDir, float ax, float ay, float az) {
    Matrix4 r;
    makeEulerMatrix({ax, ay, az}, {}, r);
    const Vector3 v = viewDir;
    viewDir = {r[0] * v.x + r[4] * v.y + r[8] * v.z, r[1] * v.x + r[5] * v.y + r[9] * v.z,
               r[2] * v.x + r[6] * v.y + r[10] * v.z};
}

Matrix4& buildCameraViewMatrix(const Vector3& eye, const Vector3& viewDir, const Vector3& up, Matrix4& out) {
    Vector3 right = cross(viewDir, up);
    const float len = length(right);
    if (len != 0.0f) {
        right = {right.x / len, right.y / len, right.z / len};
    }
    makeViewMatrix(eye, viewDir, right, cross(right, viewDir), out);
    return out;
}
