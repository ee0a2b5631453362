#pragma once
// Small vector arithmetic for building meshes.

#include <algorithm>
#include <cmath>

constexpr float Pi = 3.14159265358979f;

struct Vec2 {
    float x = 0.0f;
    float y = 0.0f;
};

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, float s) { return {a.x * s, a.y * s}; }

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(float s, Vec3 a) { return a * s; }

inline float dotOf(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 crossOf(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float lengthOf(Vec3 a) { return std::sqrt(dotOf(a, a)); }
inline Vec3 normalised(Vec3 a) {
    const float l = lengthOf(a);
    return l > 0.0f ? a * (1.0f / l) : a;
}
inline Vec3 lerpOf(Vec3 a, Vec3 b, float t) { return a + (b - a) * t; }

inline float smoothStep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// An orthonormal frame plus an origin: local (x, y, z) maps to
// origin + x * side + y * axis + z * front.
struct Frame {
    Vec3 origin;
    Vec3 side{1, 0, 0};
    Vec3 axis{0, 1, 0};
    Vec3 front{0, 0, 1};

    Vec3 point(Vec3 p) const { return origin + side * p.x + axis * p.y + front * p.z; }
    Vec3 direction(Vec3 d) const { return side * d.x + axis * d.y + front * d.z; }
};

// A frame whose axis runs along `axis`, with `front` kept as close to the
// given reference as the axis allows; the side completes a right-handed set.
inline Frame frameAlong(Vec3 origin, Vec3 axis, Vec3 frontHint) {
    Frame f;
    f.origin = origin;
    f.axis = normalised(axis);
    Vec3 front = frontHint - f.axis * dotOf(frontHint, f.axis);
    if (lengthOf(front) < 1e-4f) {
        const Vec3 other = std::fabs(f.axis.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
        front = other - f.axis * dotOf(other, f.axis);
    }
    f.front = normalised(front);
    f.side = crossOf(f.axis, f.front);
    return f;
}
