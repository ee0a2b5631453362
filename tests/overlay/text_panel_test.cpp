#include "overlay/text_panel.h"
#include "platform/headless/headless.h"
#include "support/gl_context.h"
#include "support/temp_folder.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t White = 0xFFFFFF;
constexpr std::uint32_t Grey = 0x808080;

// The pixel at (x, y), y counted down from the panel's top row.
std::uint32_t at(const TextPanel& panel, int x, int y) {
    return panel.bits[static_cast<std::size_t>(panel.height - 1 - y) * panel.width + x];
}

// Columns of the 25 cells of a bar 104 pixels wide: trunc(4 + i * 96 / 25).
const std::array<int, 25> CellColumns = {4,  7,  11, 15, 19, 23, 27, 30, 34, 38, 42, 46, 50,
                                         53, 57, 61, 65, 69, 73, 76, 80, 84, 88, 92, 96};

// What a 104 x 24 bar with its first `filled` cells lit must look like.
std::uint32_t expectedBarPixel(int x, int y, int filled) {
    const bool frame = x < 2 || x >= 102 || y < 2 || y >= 22;
    if (frame) return White;
    if (y < 4 || y >= 20) return 0;
    for (int i = 0; i < filled; ++i)
        if (x == CellColumns[i]) return White;
    return 0;
}

void expectBar(const TextPanel& panel, int filled) {
    int wrong = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 104; ++x)
            if (at(panel, x, y) != expectedBarPixel(x, y, filled) && ++wrong <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << at(panel, x, y);
    EXPECT_EQ(wrong, 0) << filled << " cells";
}

int litCells(const TextPanel& panel) {
    int cells = 0;
    for (int x = 2; x < 102; ++x) cells += at(panel, x, 10) == White;
    return cells;
}

class TextPanelTest : public GameFolderTest {
protected:
    TextPanel panel_;
    void SetUp() override { ASSERT_TRUE(panel_.Create(0, 450, 104, 474, 640, 480, true)); }
};

TEST_F(TextPanelTest, CreatePlacesThePanelAsAFractionOfTheScreen) {
    EXPECT_EQ(panel_.width, 104);
    EXPECT_EQ(panel_.height, 24);
    EXPECT_EQ(panel_.pixelCount, 104 * 24);
    EXPECT_EQ(panel_.byteCount, 104 * 24 * 4);
    EXPECT_FLOAT_EQ(panel_.rasterX, -1.0f);
    EXPECT_FLOAT_EQ(panel_.rasterY, -0.975f);  // 6 of 480 rows above the bottom
    EXPECT_EQ(panel_.colour, White);
    EXPECT_EQ(panel_.backgroundColour, 0u);
    for (int i = 0; i < panel_.pixelCount; ++i) ASSERT_EQ(panel_.bits[i], 0u) << "pixel " << i;

    TextPanel centred;
    ASSERT_TRUE(centred.Create(256, 192, 768, 576, 1024, 768, false));
    EXPECT_FLOAT_EQ(centred.rasterX, -0.5f);
    EXPECT_FLOAT_EQ(centred.rasterY, -0.5f);
}

TEST_F(TextPanelTest, FullBarLightsAllTwentyFiveCellsWithGapsBetween) {
    panel_.DrawBar(0, 0, 104, 24, 25, 1.0f);
    expectBar(panel_, 25);
    // Neighbouring cells never touch: the dark gaps are 2 or 3 pixels.
    for (int i = 1; i < 25; ++i) {
        const int gap = CellColumns[i] - CellColumns[i - 1] - 1;
        EXPECT_GE(gap, 2);
        EXPECT_EQ(at(panel_, CellColumns[i] - 1, 10), 0u);
        EXPECT_EQ(at(panel_, CellColumns[i] - 2, 10), 0u);
    }
}

TEST_F(TextPanelTest, EmptyAndPartBarsLightOnlyTheirCells) {
    panel_.DrawBar(0, 0, 104, 24, 25, 0.0f);
    expectBar(panel_, 0);  // frame and dark inside only
    panel_.Clear();
    panel_.DrawBar(0, 0, 104, 24, 25, static_cast<float>(3 * 0.04));
    expectBar(panel_, 3);
    panel_.Clear();
    panel_.DrawBar(0, 0, 104, 24, 25, static_cast<float>(12 * 0.04));
    expectBar(panel_, 12);
}

TEST_F(TextPanelTest, EveryCoinCountLightsThatManyCells) {
    for (int coins = 0; coins <= 25; ++coins) {
        panel_.Clear();
        panel_.DrawBar(0, 0, 104, 24, 25, static_cast<float>(coins * 0.04));
        EXPECT_EQ(litCells(panel_), coins);
    }
}

TEST_F(TextPanelTest, BarsOutsideTheirRangeStayInsideTheFrame) {
    panel_.DrawBar(0, 0, 104, 24, 0, 1.0f);
    panel_.DrawBar(0, 0, 104, 24, -3, 1.0f);
    for (int i = 0; i < panel_.pixelCount; ++i) ASSERT_EQ(panel_.bits[i], 0u) << "no cells: nothing drawn";

    panel_.DrawBar(0, 0, 104, 24, 25, 3.0f);  // more than full
    expectBar(panel_, 25);
    panel_.Clear();
    panel_.DrawBar(0, 0, 104, 24, 25, -1.0f);
    expectBar(panel_, 0);
    // A bar hanging over every edge is cut at the panel: its cells are 21.68
    // apart; cell 2 covers columns -2..16, cell 6 84..102, cell 7 starts at 105.
    panel_.DrawBar(-50, -50, 500, 500, 25, 1.0f);
    EXPECT_EQ(at(panel_, 0, 0), White);
    EXPECT_EQ(at(panel_, 17, 23), 0u);
    EXPECT_EQ(at(panel_, 102, 23), White);
    EXPECT_EQ(at(panel_, 103, 0), 0u);
}

TEST_F(TextPanelTest, TheBarUsesTheCurrentColourAndKeepsIt) {
    panel_.SetColour(0x20C040);
    panel_.DrawBar(0, 0, 104, 24, 25, 1.0f);
    EXPECT_EQ(at(panel_, 0, 0), 0x20C040u);
    EXPECT_EQ(at(panel_, 4, 10), 0x20C040u);
    EXPECT_EQ(at(panel_, 5, 10), 0u);
    EXPECT_EQ(panel_.colour, 0x20C040u);
}

TEST_F(TextPanelTest, SetAlphaGivesEveryPixelTheSameAlphaOnlyWhenBlended) {
    panel_.DrawBar(0, 0, 104, 24, 25, 0.5f);
    panel_.SetAlpha(64);
    for (int i = 0; i < panel_.pixelCount; ++i) ASSERT_EQ(panel_.bits[i] >> 24, 0x40u) << "pixel " << i;
    EXPECT_EQ(at(panel_, 0, 0), 0x40FFFFFFu) << "the colour stays";

    panel_.Clear();
    for (int i = 0; i < panel_.pixelCount; ++i) ASSERT_EQ(panel_.bits[i], 0u) << "Clear: transparent black";

    TextPanel opaque;
    ASSERT_TRUE(opaque.Create(0, 0, 104, 24, 640, 480, false));
    opaque.DrawBar(0, 0, 104, 24, 25, 0.5f);
    const std::vector<std::uint32_t> before(opaque.bits, opaque.bits + opaque.pixelCount);
    opaque.SetAlpha(64);
    EXPECT_EQ(std::vector<std::uint32_t>(opaque.bits, opaque.bits + opaque.pixelCount), before);
}

TEST_F(TextPanelTest, ABadRectangleMakesNoPanelAndEveryCallIsHarmless) {
    OffscreenContext context(64, 64);
    ASSERT_TRUE(context.ok());
    for (const std::array<int, 4>& rect : {std::array<int, 4>{10, 10, 10, 20}, std::array<int, 4>{30, 10, 10, 20},
                                           std::array<int, 4>{0, 0, 100000, 100000}}) {
        TextPanel bad;
        EXPECT_FALSE(bad.Create(rect[0], rect[1], rect[2], rect[3], 640, 480, true));
        EXPECT_EQ(bad.bits, nullptr);
        bad.Clear();
        bad.DrawBar(0, 0, 104, 24, 25, 1.0f);
        bad.WriteText("You Win!", 0, 0, 104, 24, 0);
        bad.SetAlpha(64);
        bad.Present();
        bad.Release();
        bad.Release();
    }
    TextPanel never;  // never created
    never.Present();
    never.Release();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextPanelTest, CreatingAgainStartsAFreshPanel) {
    panel_.DrawBar(0, 0, 104, 24, 25, 1.0f);
    ASSERT_TRUE(panel_.Create(0, 0, 50, 10, 640, 480, false));
    EXPECT_EQ(panel_.width, 50);
    EXPECT_FALSE(panel_.blend);
    for (int i = 0; i < panel_.pixelCount; ++i) ASSERT_EQ(panel_.bits[i], 0u);
    panel_.Release();
    EXPECT_EQ(panel_.bits, nullptr);
    EXPECT_EQ(panel_.backup, nullptr);
}

// ---- Text ----

// Counts the pixels of a 0xRRGGBB value among the panel's.
int countOf(const TextPanel& panel, std::uint32_t value) {
    int count = 0;
    for (int i = 0; i < panel.pixelCount; ++i) count += panel.bits[i] == value;
    return count;
}

TEST_F(TextPanelTest, TextIsWrittenOnABlackBoxFromTheTopLeft) {
    panel_.fill(0, 0, 104, 24, Grey);
    panel_.WriteText("Level 2", 0, 0, 104, 24, 0);
    int lit = 0, box = 0, rightmostInk = -1, lowestInk = -1;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 104; ++x) {
            const std::uint32_t p = at(panel_, x, y);
            if (p == Grey) continue;
            ++box;
            const std::uint32_t r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
            EXPECT_TRUE(r == g && g == b) << "white on black makes only greys";
            EXPECT_EQ(p >> 24, 0u) << "text writes no alpha";
            if (r > 200) {
                ++lit;
                rightmostInk = std::max(rightmostInk, x);
                lowestInk = std::max(lowestInk, y);
            }
        }
    }
    EXPECT_GT(lit, 40) << "the glyphs are there";
    EXPECT_GT(box, 2 * lit) << "with their black box";
    EXPECT_EQ(at(panel_, 0, 0), 0u) << "the box starts at the top-left corner";
    EXPECT_GT(rightmostInk, 30);
    EXPECT_LT(rightmostInk, 90) << "\"Level 2\" is short";
    EXPECT_LT(lowestInk, 20) << "one line, from the top";
    EXPECT_EQ(at(panel_, 103, 23), Grey) << "nothing past the box";
}

TEST_F(TextPanelTest, TheMessagesDrawDifferentPixels) {
    std::set<std::vector<std::uint32_t>> drawings;
    for (const char* text : {"Your Dead", "Level 2", "Level 3", "You Win!"}) {
        panel_.Clear();
        panel_.WriteText(text, 0, 0, 104, 24, 0);
        EXPECT_GT(countOf(panel_, White), 20) << text;
        drawings.insert(std::vector<std::uint32_t>(panel_.bits, panel_.bits + panel_.pixelCount));
    }
    EXPECT_EQ(drawings.size(), 4u);
}

TEST_F(TextPanelTest, LongTextRunsPastItsRectangleToTheEdgeOfThePanel) {
    panel_.fill(0, 0, 104, 24, Grey);
    panel_.WriteText("Level 2 Level 2 Level 2 Level 2", 0, 0, 30, 24, 0);
    int inkRight = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 30; x < 104; ++x) inkRight += (at(panel_, x, y) & 0xFF) > 200;
    EXPECT_GT(inkRight, 100) << "not clipped to the 30-pixel rectangle";
    EXPECT_NE(at(panel_, 103, 2), Grey) << "the box reaches the last column";
}

TEST_F(TextPanelTest, NewlinesStartTheNextLineBelow) {
    panel_.Create(0, 0, 104, 48, 640, 480, true);
    panel_.WriteText("You\nWin!", 0, 0, 104, 48, 0);
    const int line = platform::TextLineHeight();
    ASSERT_GT(line, 10);
    ASSERT_LT(line, 24);
    int top = 0, bottom = 0;
    for (int x = 0; x < 104; ++x) {
        for (int y = 0; y < line; ++y) top += at(panel_, x, y) == White;
        for (int y = line; y < 48; ++y) bottom += at(panel_, x, y) == White;
    }
    EXPECT_GT(top, 10);
    EXPECT_GT(bottom, 10);
}

// A canvas of 20 x 10 inside a guard band that must stay untouched.
TEST(TextDrawing, NothingIsWrittenPastTheCanvas) {
    platform::headless::Reset();
    constexpr int W = 20, H = 10, Guard = 64;
    constexpr std::uint32_t Mark = 0xDEADBEEF;
    std::vector<std::uint32_t> memory(W * H + 2 * Guard, Mark);
    const platform::PixelCanvas canvas{memory.data() + Guard, W, H};
    for (const std::array<int, 2>& at : {std::array<int, 2>{-7, -5}, std::array<int, 2>{0, 0},
                                         std::array<int, 2>{15, 4}, std::array<int, 2>{-400, 3},
                                         std::array<int, 2>{19, 9}, std::array<int, 2>{5000, -5000}}) {
        EXPECT_TRUE(platform::DrawTextLine(canvas, "WWW Your Dead WWW", 17, at[0], at[1], 0xFFFFFF, 0x101010));
    }
    for (int i = 0; i < Guard; ++i) {
        ASSERT_EQ(memory[i], Mark) << "before the canvas, word " << i;
        ASSERT_EQ(memory[Guard + W * H + i], Mark) << "after the canvas, word " << i;
    }
    int touched = 0;
    for (int i = 0; i < W * H; ++i) touched += memory[Guard + i] != Mark;
    EXPECT_GT(touched, W * H / 2);
}

TEST(TextDrawing, OnlyTheGivenLengthIsDrawn) {
    platform::headless::Reset();
    std::vector<std::uint32_t> a(200 * 20, 0x808080), b = a;
    platform::DrawTextLine({a.data(), 200, 20}, "You Win!", 3, 0, 0, 0xFFFFFF, 0);
    platform::DrawTextLine({b.data(), 200, 20}, "You", 3, 0, 0, 0xFFFFFF, 0);
    EXPECT_EQ(a, b);
    EXPECT_TRUE(platform::DrawTextLine({a.data(), 200, 20}, "x", -5, 0, 0, 0xFFFFFF, 0));
    EXPECT_EQ(a, b) << "a negative length draws nothing";
}

TEST_F(TextPanelTest, WithoutAFontBarsStillDrawAndTextDrawsNothing) {
    const std::string garbage = folder_.media("broken.ttf");
    std::ofstream(garbage) << "this is not a font file at all";
    for (const std::string& file : {std::string("/nonexistent/font.ttf"), garbage, folder_.path()}) {
        platform::headless::SetFontFile(file);
        panel_.Clear();
        panel_.WriteText("Your Dead", 0, 0, 104, 24, 0);
        EXPECT_EQ(countOf(panel_, 0), panel_.pixelCount) << file;
        EXPECT_EQ(platform::TextLineHeight(), 0);
        panel_.DrawBar(0, 0, 104, 24, 25, static_cast<float>(3 * 0.04));
        expectBar(panel_, 3);
    }
    platform::headless::Reset();
    panel_.Clear();
    panel_.WriteText("Your Dead", 0, 0, 104, 24, 0);
    EXPECT_GT(countOf(panel_, White), 20) << "the default font comes back";
}

// ---- Present ----

class PresentTest : public GameFolderTest {
protected:
    static constexpr int W = 200, H = 100;
    OffscreenContext context_{W, H};

    void SetUp() override {
        ASSERT_TRUE(context_.ok());
        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        glClearDepth(0.0);  // a depth test would now reject everything
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }

    // Red, green, blue of the frame at (x, y), y counted from the bottom row.
    static std::array<int, 3> frameAt(int x, int y) {
        std::uint8_t p[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2]};
    }
};

TEST_F(PresentTest, OpaquePanelCoversItsRectangleExactly) {
    TextPanel panel;
    ASSERT_TRUE(panel.Create(10, 60, 50, 80, W, H, false));  // rows 20..39 from the bottom
    panel.fill(0, 0, 40, 20, 0xFF0000);
    panel.fill(0, 0, 40, 1, 0x00FF00);  // its top row
    panel.Present();
    EXPECT_EQ(frameAt(10, 20), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(frameAt(49, 38), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(frameAt(30, 39), (std::array<int, 3>{0, 255, 0})) << "stored bottom row first";
    EXPECT_EQ(frameAt(9, 20), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(frameAt(50, 20), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(frameAt(10, 19), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(frameAt(10, 40), (std::array<int, 3>{0, 0, 255}));
}

TEST_F(PresentTest, BlendedPanelIsMixedInByItsAlpha) {
    TextPanel panel;
    ASSERT_TRUE(panel.Create(0, 0, W, H, W, H, true));
    panel.fill(0, 0, W, H, 0xFF0000);
    panel.SetAlpha(64);
    panel.Present();
    const std::array<int, 3> mixed = frameAt(100, 50);
    EXPECT_NEAR(mixed[0], 64, 1);
    EXPECT_EQ(mixed[1], 0);
    EXPECT_NEAR(mixed[2], 191, 1);

    panel.Clear();
    panel.SetAlpha(64);
    panel.Present();
    const std::array<int, 3> overBlack = frameAt(100, 50);
    EXPECT_NEAR(overBlack[0], 48, 1) << "transparent black only darkens";
    EXPECT_NEAR(overBlack[2], 143, 1);
}

TEST_F(PresentTest, PresentLeavesTheDrawingStateAsItFoundIt) {
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-3, 3, -2, 2, -1, 1);
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);

    TextPanel panel;
    ASSERT_TRUE(panel.Create(0, 0, 20, 20, W, H, true));
    panel.fill(0, 0, 20, 20, 0xFFFFFF);
    panel.SetAlpha(255);
    panel.Present();

    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    float after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    EXPECT_EQ(std::memcmp(after, projection, sizeof after), 0);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], i % 5 == 0 ? 1.0f : 0.0f) << "modelview element " << i;
    EXPECT_EQ(frameAt(5, 95), (std::array<int, 3>{255, 255, 255})) << "drawn despite the depth test";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
