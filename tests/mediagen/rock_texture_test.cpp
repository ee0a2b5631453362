#include "rock_texture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

float luminance(const std::uint8_t* p) { return 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2]; }

class RockTexture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { rock = new RgbImage(makeRockTexture(256)); }
    static void TearDownTestSuite() { delete rock; }
    static RgbImage* rock;
};
RgbImage* RockTexture::rock = nullptr;

}  // namespace

TEST_F(RockTexture, CarriesOnPastItsEdgesWithItsOwnFirstRowsAndColumns) {
    // Drawn wider than one tile, the rock beyond column or row 255 is the tile's start again.
    const RgbImage wide = renderRock(288, 288, 256);
    int differing = 0;
    for (int y = 0; y < 288; ++y)
        for (int x = 0; x < 288; ++x) {
            if (x < 256 && y < 256) continue;
            const std::uint8_t* beyond = wide.at(x, y);
            const std::uint8_t* start = rock->at(x % 256, y % 256);
            for (int c = 0; c < 3; ++c)
                differing += std::abs(beyond[c] - start[c]) > 2;  // float rounding only
        }
    EXPECT_EQ(differing, 0);
}

TEST_F(RockTexture, ReadsAsStoneGreyOrDullBrownWithContrast) {
    double sum = 0, sumSquares = 0, red = 0, green = 0, blue = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const std::uint8_t* p = rock->at(x, y);
            const float l = luminance(p);
            sum += l;
            sumSquares += l * l;
            red += p[0];
            green += p[1];
            blue += p[2];
        }
    const double n = 256.0 * 256.0;
    const double mean = sum / n;
    const double spread = std::sqrt(sumSquares / n - mean * mean);
    EXPECT_GT(mean, 70);
    EXPECT_LT(mean, 150);
    EXPECT_GT(spread, 15);
    // Warm but muted: red over blue, never a strong colour.
    EXPECT_GE(red, blue);
    EXPECT_LT(red / n - blue / n, 40);
    EXPECT_GE(green / n, blue / n - 2);
}

TEST_F(RockTexture, SameBytesEveryTime) { EXPECT_EQ(makeRockTexture(256).pixels, rock->pixels); }
