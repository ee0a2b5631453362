#pragma once

#include "math/vector3.h"

// A wall or opening line on the ground plane. Only the two ends are set by
// hand; prepareSegment fills in the rest.
struct WallSegment {
    float x0 = 0.0f, z0 = 0.0f;
    float x1 = 0.0f, z1 = 0.0f;
    float dx = 0.0f, dz = 0.0f;
    // (dz, dx) scaled to unit length; unscaled when the segment has no length.
    float sx = 0.0f, sz = 0.0f;
    float lengthSq = 0.0f;
    float length = 0.0f;
    bool valid = false;
};

void prepareSegment(WallSegment& seg);

// Mirrors v's x,z part about the segment's direction: the part along the wall
// is kept and the part across it reversed. v.y is untouched.
void reflectAcrossSegment(const WallSegment& seg, Vector3& v);

// Strictly nearer (x0, z0) than (x1, z1); ties and NaN give false.
bool isNearerFirstEnd(const WallSegment& seg, float x, float z);
