#include "noise.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Noise, EveryKindRepeatsAfterOnePeriodInBothDirections) {
    for (float u : {0.0f, 0.13f, 0.5f, 0.77f})
        for (float v : {0.0f, 0.31f, 0.9f}) {
            EXPECT_NEAR(gradientNoise(u, v, 8, 3), gradientNoise(u + 1, v, 8, 3), 1e-5f);
            EXPECT_NEAR(gradientNoise(u, v, 8, 3), gradientNoise(u, v - 1, 8, 3), 1e-5f);
            EXPECT_NEAR(gradientNoise(u, v, 5, 3), gradientNoise(u - 1, v + 1, 5, 3), 1e-5f);
            EXPECT_NEAR(fractalNoise(u, v, {3, 5, 0.5f}, 9), fractalNoise(u + 1, v + 1, {3, 5, 0.5f}, 9),
                        1e-4f);
            const CellDistances a = cellularNoise(u, v, 4, 7);
            const CellDistances b = cellularNoise(u + 1, v - 1, 4, 7);
            EXPECT_NEAR(a.nearest, b.nearest, 1e-4f);
            EXPECT_NEAR(a.second, b.second, 1e-4f);
        }
}

TEST(Noise, GradientNoiseVanishesOnTheLatticeAndStaysInRange) {
    EXPECT_NEAR(gradientNoise(0.25f, 0.5f, 4, 1), 0.0f, 1e-6f);
    float low = 0, high = 0;
    for (int i = 0; i < 4000; ++i) {
        const float n = fractalNoise(i * 0.0137f, i * 0.0071f, {4, 4, 0.5f}, 5);
        low = std::min(low, n);
        high = std::max(high, n);
    }
    EXPECT_GE(low, -1.0f);
    EXPECT_LE(high, 1.0f);
    // Not flat: the samples spread over a good part of the range.
    EXPECT_LT(low, -0.3f);
    EXPECT_GT(high, 0.3f);
}

TEST(Noise, SeedsGiveDifferentPatterns) {
    int differing = 0;
    for (int i = 0; i < 50; ++i)
        differing += std::fabs(gradientNoise(i * 0.05f + 0.01f, 0.3f, 8, 1) -
                               gradientNoise(i * 0.05f + 0.01f, 0.3f, 8, 2)) > 0.01f;
    EXPECT_GT(differing, 40);
}

TEST(Noise, CellDistancesAreOrderedAndBounded) {
    for (int i = 0; i < 200; ++i) {
        const CellDistances d = cellularNoise(i * 0.0123f, i * 0.0457f, 5, 3);
        EXPECT_LE(d.nearest, d.second);
        // A point sits in every cell, so the nearest is never more than a cell diagonal away.
        EXPECT_LT(d.nearest, 1.5f);
    }
}
