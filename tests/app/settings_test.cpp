#include "app/settings.h"
#include "app/ini_file.h"
#include "support/gl_context.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

namespace {

using SettingsTest = GameFolderTest;

TEST_F(SettingsTest, MissingFileOrKeysGiveTheDefaults) {
    Settings.Lights = 7;
    Settings.Load();
    EXPECT_EQ(Settings.Windowed, 1);
    EXPECT_EQ(Settings.Lights, 0) << "the file's default, not the load-time value";
    EXPECT_EQ(Settings.Width, 640);
    EXPECT_EQ(Settings.Height, 480);
    EXPECT_EQ(Settings.UseScreenRes, 0);
}

TEST_F(SettingsTest, ValuesReadLikeProfileIntegers) {
    folder_.writeMedia("game.ini",
                       "[Other]\r\nLights=5\r\n[game]\r\n  lights = 1 \r\nMusic=12abc\r\nJoystick=abc\r\n"
                       "Width=-3\r\nHeight=99999999999\r\n");
    Settings.Load();
    EXPECT_EQ(Settings.Lights, 1) << "section and key names match without case";
    EXPECT_EQ(Settings.Music, 12);
    EXPECT_EQ(Settings.Joystick, 0);
    EXPECT_EQ(Settings.Width, -3);
    EXPECT_EQ(Settings.Height, INT_MAX);
}

TEST_F(SettingsTest, StartPicksTheListedSizeOrFallsBackWithNoSelection) {
    const int expected[][3] = {{0, 640, 480}, {1, 800, 600}, {2, 1024, 800}, {3, 640, 480}, {4, 320, 240}};
    for (const auto& [index, width, height] : expected) {
        Settings.ChooseResolution(index);
        EXPECT_EQ(Settings.UseScreenRes, index);
        EXPECT_EQ(Settings.Width, width);
        EXPECT_EQ(Settings.Height, height);
    }
    Settings.ChooseResolution(9);
    EXPECT_EQ(Settings.UseScreenRes, -1);
    EXPECT_EQ(Settings.Width, 640);
    EXPECT_EQ(Settings.Height, 480);
}

TEST_F(SettingsTest, SaveWritesEveryKeyAndKeepsWhatElseTheFileHolds) {
    folder_.writeMedia("game.ini", "# mine\n[Game]\nWidth=1\n; keep\n\n[Other]\nX=1\n");
    Settings.Width = 800;
    Settings.UseScreenRes = -1;
    Settings.Save();
    EXPECT_EQ(folder_.readMedia("game.ini"),
              "# mine\n[Game]\nWidth=800\nWindowed=1\nLights=1\nMusic=0\nJoystick=0\nUseHiQualTex=0\n"
              "Height=480\nUseScreenRes=-1\n; keep\n\n[Other]\nX=1\n");

    GameSettings reloaded;
    reloaded.Load();
    EXPECT_EQ(reloaded.Width, 800);
    EXPECT_EQ(reloaded.UseScreenRes, -1);
}

TEST_F(SettingsTest, FirstSaveWritesTheEightKeysInOrder) {
    Settings.Load();
    Settings.Save();
    EXPECT_EQ(folder_.readMedia("game.ini"),
              "[Game]\nWindowed=1\nLights=0\nMusic=0\nJoystick=0\nUseHiQualTex=0\nWidth=640\nHeight=480\n"
              "UseScreenRes=0\n");
}

TEST_F(SettingsTest, SaveKeepsWindowsLineEndsAndOtherSectionsNamedAlike) {
    folder_.writeMedia("game.ini", "[GameX]\r\nWidth=5\r\n[Game]\r\nWidth=1\r\n");
    Settings.Width = 320;
    Settings.Save();
    EXPECT_EQ(folder_.readMedia("game.ini"),
              "[GameX]\r\nWidth=5\r\n[Game]\r\nWidth=320\r\nWindowed=1\r\nLights=1\r\nMusic=0\r\n"
              "Joystick=0\r\nUseHiQualTex=0\r\nHeight=480\r\nUseScreenRes=0\r\n");
}

TEST_F(SettingsTest, SaveInterruptedBeforeTheRenameLeavesTheOldFileWhole) {
    const std::string old = "; mine\n[Game]\nWidth=800\nHeight=600\n";
    folder_.writeMedia("game.ini", old);
    IniFile file;
    file.Load(folder_.media("game.ini"));
    file.SetString("Game", "Width", "1024");
    ASSERT_TRUE(file.WriteTemporary(folder_.media("game.ini")));  // the process dies here
    EXPECT_EQ(folder_.readMedia("game.ini"), old);
    Settings.Load();
    EXPECT_EQ(Settings.Width, 800);

    // The next save goes through although the dead one left its temporary behind.
    Settings.Width = 320;
    Settings.Save();
    Settings.Load();
    EXPECT_EQ(Settings.Width, 320);
    EXPECT_FALSE(std::filesystem::exists(IniFile::TemporaryPath(folder_.media("game.ini"))));
}

TEST_F(SettingsTest, FileTooLargeToBeSettingsIsNeverSavedOver) {
    const std::string big = "[Game]\nWidth=800\n" + std::string(IniFile::MaxFileSize, ';');
    folder_.writeMedia("game.ini", big);
    Settings.Load();
    EXPECT_EQ(Settings.Width, 640);
    Settings.Save();
    EXPECT_EQ(folder_.readMedia("game.ini"), big);
}

TEST_F(SettingsTest, FailedWriteLeavesTheOldFileWhole) {
    folder_.writeMedia("game.ini", "[Game]\nWidth=800\n");
    IniFile file;
    file.Load(folder_.media("game.ini"));
    file.SetString("Game", "Width", "1024");
    EXPECT_FALSE(file.Save(folder_.path() + "/no such folder/game.ini"));
    std::filesystem::create_directory(folder_.media("game.ini.new"));  // the temporary cannot be made
    EXPECT_FALSE(file.Save(folder_.media("game.ini")));
    EXPECT_EQ(folder_.readMedia("game.ini"), "[Game]\nWidth=800\n");
}

}  // namespace
