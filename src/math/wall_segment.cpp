#include "math/wall_segment.h"

#include <cmath>

void prepareSegment(WallSegment& seg) {
    seg.dx = seg.x1 - seg.x0;
    seg.dz = seg.z1 - seg.z0;
    seg.sx = seg.dz;
    seg.sz = seg.dx;
    seg.length = std::sqrt(seg.dx * seg.dx + seg.dz * seg.dz);
    if (seg.length != 0.0f) {
        const float inv = 1.0f / seg.length;
        seg.sx *= inv;
        seg.sz *= inv;
    }
    seg.lengthSq = seg.length * seg.length;
    seg.valid = seg.lengthSq > 0.0f;
}

void reflectAcrossSegment(const WallSegment& seg, Vector3& v) {
    float dx = seg.dx, dz = seg.dz, lenSq = seg.lengthSq;
    if (!seg.valid) {
        dx = seg.x1 - seg.x0;
        dz = seg.z1 - seg.z0;
        lenSq = dx * dx + dz * dz;
    }
    // A zero-length segment has no direction to mirror about; leave v alone
    // instead of turning it into NaN.
    if (!(lenSq > 0.0f)) {
        return;
    }
    const float k = 2.0f * (v.x * dx + v.z * dz) / lenSq;
    v.x = k * dx - v.x;
    v.z = k * dz - v.z;
}

bool isNearerFirstEnd(const WallSegment& seg, float x, float z) {
    const float ax = seg.x0 - x, az = seg.z0 - z;
    const float bx = seg.x1 - x, bz = seg.z1 - z;
    return ax * ax + az * az < bx * bx + bz * bz;
}
