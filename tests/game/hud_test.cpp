#include "game/hud.h"
#include "app/input.h"
#include "app/settings.h"
#include "app/shell.h"
#include "game/game_state.h"
#include "game/media_loading.h"
#include "game/player.h"
#include "game_fixture.h"
#include "platform/headless/headless.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

namespace headless = platform::headless;

std::uint32_t panelAt(const TextPanel& panel, int x, int y) {
    return panel.bits[static_cast<std::size_t>(panel.height - 1 - y) * panel.width + x];
}

// Lit cells of the coin bar, counted along a row through the cells.
int litCells() {
    int cells = 0;
    for (int x = 2; x < 102; ++x) cells += (panelAt(HudPanel, x, 10) & 0xFFFFFF) == 0xFFFFFF;
    return cells;
}

std::vector<std::uint32_t> hudPixels() { return {HudPanel.bits, HudPanel.bits + HudPanel.pixelCount}; }

// The HUD as it would look showing `text`.
std::vector<std::uint32_t> panelWith(const char* text) {
    TextPanel panel;
    panel.Create(0, 450, 104, 474, 640, 480, true);
    panel.WriteText(text, 0, 0, 104, 24, 0);
    panel.SetAlpha(64);
    return {panel.bits, panel.bits + panel.pixelCount};
}

class HudTest : public GameTest {
protected:
    // The whole frame after one turn of the real loop, bottom row first.
    static std::vector<std::uint8_t> frame() {
        headless::AdvanceClock(16);
        RunLoopTurn();
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(Settings.Width) * Settings.Height * 4);
        glReadPixels(0, 0, Settings.Width, Settings.Height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    // The HUD must sit in columns 0..103 and rows bottom..bottom+23 (from the
    // bottom), blended at a quarter over the scene; everything else untouched.
    static void expectHudOverScene(int bottom) {
        ASSERT_EQ(HudPanel.width, 104);
        ASSERT_EQ(HudPanel.height, 24);
        const std::vector<std::uint8_t> withHud = frame();
        const std::vector<std::uint32_t> shown = hudPixels();
        HudPanel.Clear();  // transparent: the scene alone
        const std::vector<std::uint8_t> scene = frame();
        int wrong = 0, changed = 0;
        for (int y = 0; y < Settings.Height; ++y) {
            for (int x = 0; x < Settings.Width; ++x) {
                const std::size_t at = (static_cast<std::size_t>(y) * Settings.Width + x) * 4;
                const bool inPanel = x < 104 && y >= bottom && y < bottom + 24;
                const std::uint32_t hud = inPanel ? shown[static_cast<std::size_t>(y - bottom) * 104 + x] : 0;
                for (int c = 0; c < 3; ++c) {
                    const int under = scene[at + c];
                    const int hudChannel = static_cast<int>(hud >> (16 - 8 * c) & 0xFF);
                    const int expected = inPanel ? (hudChannel * 64 + under * 191 + 127) / 255 : under;
                    if (std::abs(withHud[at + c] - expected) > 2 && ++wrong <= 5)
                        ADD_FAILURE() << "(" << x << ", " << y << ") channel " << c << ": " << int{withHud[at + c]}
                                      << " instead of " << expected;
                    changed += std::abs(withHud[at + c] - under) > 10;
                }
            }
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_GT(changed, 1000) << "the panel shows";
    }
};

TEST_F(HudTest, TheCoinBarFillsOneCellPerCoin) {
    start();
    for (int coins : {3, 12, 25, 0}) {
        CoinCount = coins;
        UpdateHud();
        EXPECT_EQ(litCells(), coins);
        for (std::uint32_t pixel : hudPixels()) ASSERT_EQ(pixel >> 24, 0x40u) << coins << " coins";
        EXPECT_EQ(panelAt(HudPanel, 0, 0), 0x40FFFFFFu) << "the frame";
        EXPECT_EQ(panelAt(HudPanel, 3, 3), 0x40000000u) << "the dark inside";
    }
}

TEST_F(HudTest, EachStateShowsItsMessage) {
    start();
    GameState = Dead;
    UpdateHud();
    EXPECT_EQ(hudPixels(), panelWith("Your Dead"));

    GameState = LevelPassed;
    LevelIndex = 0;
    UpdateHud();
    EXPECT_EQ(hudPixels(), panelWith("Level 2")) << "the number of the level about to start";
    EXPECT_NE(hudPixels(), panelWith("Level 1"));
    LevelIndex = 4;
    UpdateHud();
    EXPECT_EQ(hudPixels(), panelWith("Level 6"));

    GameState = Won;
    UpdateHud();
    EXPECT_EQ(hudPixels(), panelWith("You Win!"));
}

TEST_F(HudTest, TheHudIsRedrawnOnlyWhenWhatItShowsChanges) {
    start();
    const int startRedraws = HudRedraws;
    for (int i = 0; i < 30; ++i) frame();
    EXPECT_EQ(HudRedraws, startRedraws) << "frames alone never redraw";

    CoinCount = 3;
    place(ChestModels[0], ItemChest, 5.0f, 5.0f);
    KeyState[VK_LEFT] = 1;
    updates(1);
    KeyState[VK_LEFT] = 0;
    ASSERT_GT(CoinCount, 3);
    EXPECT_EQ(HudRedraws, startRedraws + 1) << "a chest";
    EXPECT_EQ(litCells(), CoinCount);

    place(TransporterModel, ItemTransporter, 5.5f, 5.0f);
    KeyState[VK_LEFT] = 1;
    updates(1);
    KeyState[VK_LEFT] = 0;
    ASSERT_EQ(GameState, LevelPassed);
    EXPECT_EQ(HudRedraws, startRedraws + 2) << "the transporter";
    EXPECT_EQ(hudPixels(), panelWith("Level 3"));

    updates(200);  // 4 of the 5 seconds: the message stays
    EXPECT_EQ(HudRedraws, startRedraws + 2);
    updates(60);
    ASSERT_EQ(GameState, Playing);
    EXPECT_EQ(LevelIndex, 2);
    EXPECT_EQ(HudRedraws, startRedraws + 3) << "the next level";
    EXPECT_EQ(litCells(), CoinCount);

    // The last level passed: the game is won on the next update, for good.
    standAt(5.0f, 5.0f);
    place(TransporterModel, ItemTransporter, 5.5f, 5.0f);
    KeyState[VK_LEFT] = 1;
    updates(1);
    KeyState[VK_LEFT] = 0;
    ASSERT_EQ(GameState, LevelPassed);
    updates(1);
    ASSERT_EQ(GameState, Won);
    EXPECT_EQ(HudRedraws, startRedraws + 5);
    EXPECT_EQ(hudPixels(), panelWith("You Win!"));
    updates(100);
    for (int i = 0; i < 10; ++i) frame();
    EXPECT_EQ(HudRedraws, startRedraws + 5);
}

TEST_F(HudTest, AfterDeathTheNewGameShowsTheCoinBarAgain) {
    start();
    GameState = Dead;
    StateEndTime = GameClock + 10.0f;
    CoinCount = 3;
    UpdateHud();
    const int redraws = HudRedraws;
    updates(450);  // 9 seconds of "Your Dead"
    EXPECT_EQ(HudRedraws, redraws);
    EXPECT_EQ(hudPixels(), panelWith("Your Dead"));
    updates(60);
    ASSERT_EQ(GameState, Playing);
    EXPECT_EQ(LevelIndex, 0);
    EXPECT_EQ(HudRedraws, redraws + 1);
    EXPECT_EQ(litCells(), 3);
}

TEST_F(HudTest, ThePanelSitsNearTheBottomLeftCornerAt640x480) {
    start();
    expectHudOverScene(6);  // 6 of 480 rows up
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(HudTest, ThePanelKeepsItsSizeAndPlaceAt1024x768) {
    GameSettings settings;
    settings.Width = 1024;
    settings.Height = 768;
    settings.Lights = 1;
    UseGivenSettings(settings);
    start();
    ASSERT_EQ(headless::Window().width, 1024);
    expectHudOverScene(10);  // 6 / 480 of 768 rows is 9.6: rows from 10 up
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING)) << "lighting stays on after the HUD";
}

TEST_F(HudTest, WithoutAFontTheGameGoesOnWithTheBarAlone) {
    headless::SetFontFile(folder_.path() + "/no-such-font.ttf");
    start();
    CoinCount = 12;
    UpdateHud();
    EXPECT_EQ(litCells(), 12);
    GameState = Dead;
    UpdateHud();
    for (std::uint32_t pixel : hudPixels()) ASSERT_EQ(pixel, 0x40000000u) << "no text, nothing else";
    frame();
    EXPECT_TRUE(IsRunning);
}

}  // namespace
