#include "app/settings.h"
#include "app/shell.h"
#include "image/test_pictures.h"
#include "platform/headless/headless.h"
#include "platform/keys.h"
#include "support/level_maps.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

using platform::LauncherChoices;
using platform::MessageType;
using LauncherAction = platform::headless::LauncherAction;
namespace headless = platform::headless;

class LauncherTest : public GameFolderTest {
protected:
    void TearDown() override { ReleaseProgramObjects(); }

    // A level to play, so that a whole run gets as far as the loop.
    void addLevel() {
        folder_.writeMedia("cavemap1.bmp", levelBitmap({".......#", ".#####.#", ".#####.#", ".#####.#",
                                                        ".#####.#", ".......#", "########", "########"}));
    }
};

TEST_F(LauncherTest, ShowsTheFileValuesTheListAndTheTitle) {
    folder_.writeMedia(
        "game.ini", "[Game]\nWindowed=0\nLights=2\nMusic=1\nJoystick=0\nUseHiQualTex=-1\nUseScreenRes=4\n");
    ASSERT_TRUE(Settings.RunLauncher("Umbrafall"));
    const headless::LauncherSeen& seen = headless::Launcher();
    EXPECT_EQ(seen.runs, 1);
    EXPECT_EQ(seen.title, "Umbrafall");
    EXPECT_EQ(seen.resolutions,
              (std::vector<std::string>{"640x480", "800x600", "1024x800", "ScreenRez", "320x240"}));
    EXPECT_EQ(seen.shown.resolution, 4);
    EXPECT_FALSE(seen.shown.windowed);
    EXPECT_TRUE(seen.shown.lights) << "any value but 0 ticks the box";
    EXPECT_TRUE(seen.shown.music);
    EXPECT_FALSE(seen.shown.joystick);
    EXPECT_TRUE(seen.shown.highQualityTextures);

    // Start as shown: ticked boxes come back as 1, the size from the list.
    EXPECT_TRUE(Settings.changed);
    EXPECT_EQ(Settings.Windowed, 0);
    EXPECT_EQ(Settings.Lights, 1);
    EXPECT_EQ(Settings.UseHiQualTex, 1);
    EXPECT_EQ(Settings.Width, 320);
    EXPECT_EQ(Settings.Height, 240);
}

TEST_F(LauncherTest, StartTakesTheControlsValues) {
    headless::AnswerLauncher(LauncherChoices{2, false, true, false, true, true});
    ASSERT_TRUE(Settings.RunLauncher("Umbrafall"));
    EXPECT_EQ(Settings.UseScreenRes, 2);
    EXPECT_EQ(Settings.Width, 1024);
    EXPECT_EQ(Settings.Height, 800);
    EXPECT_EQ(Settings.Windowed, 0);
    EXPECT_EQ(Settings.Lights, 1);
    EXPECT_EQ(Settings.Music, 0);
    EXPECT_EQ(Settings.Joystick, 1);
    EXPECT_EQ(Settings.UseHiQualTex, 1);
}

TEST_F(LauncherTest, StoredSelectionOutsideTheListShowsNoneAndStartStoresMinusOne) {
    for (const char* stored : {"5", "-1", "-7", "x"}) {
        folder_.writeMedia("game.ini",
                           std::string("[Game]\nUseScreenRes=") + stored + "\nWidth=800\nHeight=600\n");
        Settings = GameSettings{};
        ASSERT_TRUE(Settings.RunLauncher("Umbrafall"));
        const bool none = std::string(stored) != "x";  // "x" reads as 0, the first entry
        EXPECT_EQ(headless::Launcher().shown.resolution, none ? -1 : 0) << stored;
        EXPECT_EQ(Settings.UseScreenRes, none ? -1 : 0) << stored;
        EXPECT_EQ(Settings.Width, 640) << stored;
        EXPECT_EQ(Settings.Height, 480) << stored;
    }
}

TEST_F(LauncherTest, TheSplashPictureIsHandedOverDecoded) {
    // Left half red, right half blue: the launcher gets blue, green, red, unused.
    Bytes samples;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) samples = samples + (x < 16 ? Bytes{255, 0, 0} : Bytes{0, 0, 255});
    const Bytes jpeg = JpegFile(32, 16, 3, JCS_RGB, samples);
    folder_.writeMedia("splash.jpg", AsString(jpeg));
    ASSERT_TRUE(Settings.RunLauncher("Umbrafall"));
    const headless::LauncherSeen& seen = headless::Launcher();
    ASSERT_EQ(seen.splashWidth, 32);
    ASSERT_EQ(seen.splashHeight, 16);
    ASSERT_EQ(seen.splash.size(), 32u * 16u * 4u);
    const std::uint8_t* left = &seen.splash[(8 * 32 + 2) * 4];
    const std::uint8_t* right = &seen.splash[(8 * 32 + 29) * 4];
    EXPECT_LT(left[0], 30);
    EXPECT_GT(left[2], 220);
    EXPECT_GT(right[0], 220);
    EXPECT_LT(right[2], 30);
}

TEST_F(LauncherTest, MissingOrBrokenSplashGivesALauncherWithoutAPicture) {
    ASSERT_TRUE(Settings.RunLauncher("Umbrafall"));
    EXPECT_EQ(headless::Launcher().splashWidth, 0);
    folder_.writeMedia("splash.jpg", "\xFF\xD8\xFF\xE0 not a picture");
    ASSERT_TRUE(Settings.RunLauncher("Umbrafall"));
    EXPECT_EQ(headless::Launcher().runs, 2);
    EXPECT_EQ(headless::Launcher().splashWidth, 0);
    EXPECT_TRUE(headless::Launcher().splash.empty());
    EXPECT_TRUE(headless::MessageBoxes().empty()) << "nothing is reported";
}

TEST_F(LauncherTest, ClosingTheLauncherEndsTheRunAndWritesNothing) {
    addLevel();
    const std::string ini = "; mine\r\n[Game]\r\nWidth=800\r\n";
    folder_.writeMedia("game.ini", ini);
    for (LauncherAction action : {LauncherAction::Close, LauncherAction::CannotOpen}) {
        headless::AnswerLauncher(action);
        EXPECT_EQ(RunProgram(), -1);
        EXPECT_FALSE(platform::WindowIsOpen());
        EXPECT_EQ(headless::Window().swaps, 0);
        EXPECT_FALSE(Settings.changed);
        ReleaseProgramObjects();
        EXPECT_EQ(folder_.readMedia("game.ini"), ini);
        EXPECT_TRUE(headless::MessageBoxes().empty());
    }
}

TEST_F(LauncherTest, ChoicesArePlayedAndFoundAgainNextTime) {
    addLevel();
    headless::AnswerLauncher(LauncherChoices{1, true, true, true, false, true});
    headless::PushMessage({MessageType::KeyDown, 'Q', 0, 0});
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(headless::Window().width, 800);
    EXPECT_EQ(headless::Window().height, 600);
    EXPECT_EQ(folder_.readMedia("game.ini"), "") << "written at exit, after the window teardown";
    ReleaseProgramObjects();
    EXPECT_EQ(folder_.readMedia("game.ini"),
              "[Game]\nWindowed=1\nLights=1\nMusic=1\nJoystick=0\nUseHiQualTex=1\nWidth=800\nHeight=600\n"
              "UseScreenRes=1\n");

    Settings = GameSettings{};
    headless::AnswerLauncher(LauncherAction::Close);
    EXPECT_FALSE(Settings.RunLauncher("Umbrafall"));
    EXPECT_EQ(headless::Launcher().shown.resolution, 1);
    EXPECT_TRUE(headless::Launcher().shown.highQualityTextures);
    EXPECT_FALSE(headless::Launcher().shown.joystick);
}

TEST_F(LauncherTest, ScreenRezStoresTheDesktopSizeTheWindowWasMadeWith) {
    addLevel();
    headless::SetDesktopSize(1920, 1080);
    headless::AnswerLauncher(LauncherChoices{3, true, false, false, false, false});
    headless::PushMessage({MessageType::KeyDown, VK_ESCAPE, 0, 0});
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(headless::Window().width, 1920);
    ReleaseProgramObjects();
    Settings = GameSettings{};
    Settings.Load();
    EXPECT_EQ(Settings.Width, 1920);
    EXPECT_EQ(Settings.Height, 1080);
    EXPECT_EQ(Settings.UseScreenRes, 3);
}

TEST_F(LauncherTest, DriverGivenSettingsSkipTheLauncherAndTheFile) {
    addLevel();
    folder_.writeMedia("game.ini", "[Game]\nWidth=800\n");
    GameSettings given;
    given.Width = 400;
    given.Height = 300;
    UseGivenSettings(given);
    headless::PushMessage({MessageType::KeyDown, 'Q', 0, 0});
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(headless::Launcher().runs, 0);
    EXPECT_EQ(headless::Window().width, 400);
    ReleaseProgramObjects();
    EXPECT_EQ(folder_.readMedia("game.ini"), "[Game]\nWidth=800\n");
}

}  // namespace
