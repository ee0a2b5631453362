#include "splash.h"

#include <gtest/gtest.h>

#include "font_lookup.h"
#include "text_mask.h"

namespace {

float luminance(const std::uint8_t* p) { return 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2]; }

// The picture takes seconds to draw; every test looks at the same one.
class Splash : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        if (!findFontFile("sans-serif:bold", font, error)) return;
        if (!makeSplash(font, image, error)) image = RgbImage();
    }
    void SetUp() override {
        if (font.empty()) GTEST_SKIP() << "no bold sans-serif font on this machine";
        ASSERT_EQ(image.pixels.size(), 640u * 480u * 3u);
    }
    static std::string font;
    static RgbImage image;
};
std::string Splash::font;
RgbImage Splash::image;

class TextMaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!findFontFile("sans-serif:bold", font, error)) GTEST_SKIP() << error;
    }
    TextMask render(const std::string& text, int size, int margin) {
        TextMask mask;
        std::string error;
        EXPECT_TRUE(renderTextMask(font, text, size, margin, mask, error)) << error;
        return mask;
    }
    std::string font;
};

bool plain(const RgbImage& image, int left, int top, int right, int bottom) {
    const std::uint8_t* first = image.at(left, top);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const std::uint8_t* p = image.at(x, y);
            if (p[0] != first[0] || p[1] != first[1] || p[2] != first[2]) return false;
        }
    return luminance(first) < 40;
}

}  // namespace

TEST_F(Splash, IsSixFortyByFourEighty) {
    EXPECT_EQ(image.width, 640);
    EXPECT_EQ(image.height, 480);
    EXPECT_EQ(image.pixels.size(), 640u * 480u * 3u);
}

TEST_F(Splash, LeavesTheControlStripAndTheStartButtonPlainAndDark) {
    EXPECT_TRUE(plain(image, 0, 0, 640, 24));
    EXPECT_TRUE(plain(image, 564, 416, 628, 448));
}

TEST_F(Splash, ShowsBrightLettersOverADarkMiddle) {
    int bright = 0;
    for (int y = 130; y < 260; ++y)
        for (int x = 60; x < 580; ++x) bright += luminance(image.at(x, y)) > 170;
    // Letters about 100 pixels high across most of the width cover thousands of pixels.
    EXPECT_GT(bright, 5000);
    // Outside the lettering the tunnel stays dark.
    int brightBelow = 0;
    for (int y = 330; y < 400; ++y)
        for (int x = 200; x < 440; ++x) brightBelow += luminance(image.at(x, y)) > 170;
    EXPECT_LT(brightBelow, 50);
}

TEST_F(Splash, SameBytesEveryTime) {
    RgbImage again;
    std::string error;
    ASSERT_TRUE(makeSplash(font, again, error)) << error;
    EXPECT_EQ(again.pixels, image.pixels);
}

TEST_F(TextMaskTest, InkFillsTheBoxInsideItsMargin) {
    const TextMask mask = render("H", 40, 5);
    ASSERT_GT(mask.width, 10);
    // A bold H at 40 pixels stands about 29 pixels above its baseline, all of it ink.
    EXPECT_NEAR(mask.height - 10, 29, 3);
    EXPECT_EQ(mask.baseline, mask.height - 5);
    float margin = 0, ink = 0;
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            const bool inside = x >= 5 && y >= 5 && x < mask.width - 5 && y < mask.height - 5;
            (inside ? ink : margin) += mask.at(x, y);
        }
    EXPECT_EQ(margin, 0.0f);
    EXPECT_GT(ink, 200.0f);
    // The crossbar: the middle row of an H is ink from side to side.
    EXPECT_GT(mask.at(mask.width / 2, mask.height / 2), 0.9f);
}

TEST_F(TextMaskTest, LongerTextIsWiderAndBlankTextIsRefused) {
    EXPECT_GT(render("HH", 40, 0).width, render("H", 40, 0).width + 20);
    TextMask mask;
    std::string error;
    EXPECT_FALSE(renderTextMask(font, "   ", 40, 0, mask, error));
    EXPECT_FALSE(renderTextMask("/nonexistent/font.ttf", "H", 40, 0, mask, error));
}
