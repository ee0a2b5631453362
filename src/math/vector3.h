#pragma once

#include <cmath>
#include <type_traits>

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    constexpr const float& operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    // Three packed floats, as glVertex3fv and friends read them.
    const float* data() const { return &x; }
};

static_assert(sizeof(Vector3) == 3 * sizeof(float));
static_assert(std::is_standard_layout_v<Vector3> && std::is_trivially_copyable_v<Vector3>);

inline float dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline Vector3 cross(const Vector3& a, const Vector3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline float length(const Vector3& v) { return std::sqrt(dot(v, v)); }
