#include "app/game_window.h"
#include "app/input.h"
#include "app/settings.h"
#include "platform/headless/headless.h"
#include "support/gl_context.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace {

namespace headless = platform::headless;

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramState(); }
    void TearDown() override { DestroyGameWindow(); }
};

TEST_F(WindowTest, WindowedPlayConfinesTheCursorUntilTeardown) {
    ASSERT_TRUE(CreateGameWindow());
    auto window = headless::Window();
    EXPECT_TRUE(window.cursorConfined);
    EXPECT_FALSE(window.displayModeChanged);
    EXPECT_EQ(window.width, 640);
    DestroyGameWindow();
    window = headless::Window();
    EXPECT_FALSE(window.open);
    EXPECT_FALSE(window.cursorConfined);
}

TEST_F(WindowTest, ThePointerStartsAtTheCentreAndTheViewStill) {
    PointerX = -1.0f;  // where an earlier window or the joystick left it
    PointerY = 0.75f;
    ASSERT_TRUE(CreateGameWindow());
    EXPECT_EQ(headless::Window().pointerX, 320);
    EXPECT_EQ(headless::Window().pointerY, 240);
    EXPECT_EQ(PointerX, 0.0f);
    EXPECT_EQ(PointerY, 0.0f);
}

TEST_F(WindowTest, FullScreenChangesTheModeAndTeardownRestoresItTwiceOver) {
    headless::AddDisplayMode(800, 600);
    Settings.Windowed = 0;
    Settings.Width = 800;
    Settings.Height = 600;
    ASSERT_TRUE(CreateGameWindow());
    EXPECT_TRUE(headless::Window().displayModeChanged);
    EXPECT_TRUE(headless::Window().cursorHidden);
    DestroyGameWindow();
    DestroyGameWindow();
    EXPECT_FALSE(headless::Window().displayModeChanged);
    EXPECT_FALSE(headless::Window().cursorHidden);
}

TEST_F(WindowTest, FullScreenAtASizeTheDisplayLacksFails) {
    Settings.Windowed = 0;
    Settings.Width = 1024;
    Settings.Height = 800;
    EXPECT_FALSE(CreateGameWindow());
    EXPECT_FALSE(platform::WindowIsOpen());
    EXPECT_FALSE(headless::Window().displayModeChanged);
}

TEST_F(WindowTest, ScreenResolutionTakesTheDesktopSize) {
    headless::SetDesktopSize(1920, 1080);
    Settings.UseScreenRes = DesktopResolution;
    Settings.Windowed = 0;
    ASSERT_TRUE(CreateGameWindow());
    EXPECT_EQ(Settings.Width, 1920);
    EXPECT_EQ(Settings.Height, 1080);
    EXPECT_EQ(headless::Window().width, 1920);
}

TEST(OffscreenContextTest, GivesACurrentContextOfTheAskedSize) {
    OffscreenContext context(32, 16);
    ASSERT_TRUE(context.ok());
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);  // bottom-left pixel
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    EXPECT_EQ(context.pixel(0, 0), (std::array<std::uint8_t, 4>{255, 0, 0, 255}));
    EXPECT_EQ(context.pixel(0, 15), (std::array<std::uint8_t, 4>{0, 0, 255, 255})) << "rows come top first";
}

}  // namespace
