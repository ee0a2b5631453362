#include "math/wall_segment.h"

#include <limits>

#include <gtest/gtest.h>

namespace {

WallSegment segment(float x0, float z0, float x1, float z1, bool prepare = true) {
    WallSegment s;
    s.x0 = x0, s.z0 = z0, s.x1 = x1, s.z1 = z1;
    if (prepare) {
        prepareSegment(s);
    }
    return s;
}

}  // namespace

TEST(PrepareSegment, FillsDerivedFields) {
    const WallSegment s = segment(1.0f, 2.0f, 4.0f, 6.0f);
    EXPECT_EQ(s.dx, 3.0f);
    EXPECT_EQ(s.dz, 4.0f);
    EXPECT_FLOAT_EQ(s.length, 5.0f);
    EXPECT_FLOAT_EQ(s.lengthSq, 25.0f);
    EXPECT_FLOAT_EQ(s.sx, 0.8f);
    EXPECT_FLOAT_EQ(s.sz, 0.6f);
    EXPECT_TRUE(s.valid);

    const WallSegment point = segment(2.0f, -3.0f, 2.0f, -3.0f);
    EXPECT_EQ(point.length, 0.0f);
    EXPECT_EQ(point.lengthSq, 0.0f);
    EXPECT_EQ(point.sx, 0.0f);
    EXPECT_EQ(point.sz, 0.0f);
    EXPECT_FALSE(point.valid);
}

TEST(ReflectAcrossSegment, KeepsAlongFlipsAcross) {
    // Diagonal wall: along (1,1), across (1,-1).
    const WallSegment wall = segment(0.0f, 0.0f, 2.0f, 2.0f);
    Vector3 v = {3.0f, 7.0f, 1.0f};  // 2*(1,1) + 1*(1,-1)
    reflectAcrossSegment(wall, v);
    EXPECT_NEAR(v.x, 1.0f, 1e-5f);
    EXPECT_NEAR(v.y, 7.0f, 0.0f);
    EXPECT_NEAR(v.z, 3.0f, 1e-5f);

    // Unprepared segments work from their ends.
    Vector3 w = {3.0f, 7.0f, 1.0f};
    reflectAcrossSegment(segment(0.0f, 0.0f, 2.0f, 2.0f, false), w);
    EXPECT_NEAR(w.x, 1.0f, 1e-5f);
    EXPECT_NEAR(w.z, 3.0f, 1e-5f);

    Vector3 u = {3.0f, 7.0f, 1.0f};
    reflectAcrossSegment(segment(1.0f, 1.0f, 1.0f, 1.0f), u);
    EXPECT_EQ(u.x, 3.0f);
    EXPECT_EQ(u.z, 1.0f);
}

TEST(IsNearerFirstEnd, StrictComparison) {
    const WallSegment s = segment(0.0f, 0.0f, 4.0f, 2.0f);
    EXPECT_TRUE(isNearerFirstEnd(s, 1.0f, 0.5f));
    EXPECT_FALSE(isNearerFirstEnd(s, 3.0f, 1.5f));
    EXPECT_FALSE(isNearerFirstEnd(s, 2.0f, 1.0f));
    EXPECT_FALSE(isNearerFirstEnd(s, std::numeric_limits<float>::quiet_NaN(), 0.0f));
}
