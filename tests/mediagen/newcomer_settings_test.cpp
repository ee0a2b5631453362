#include "newcomer_settings.h"
#include "app/settings.h"
#include "file_output.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using NewcomerSettings = GameFolderTest;

TEST_F(NewcomerSettings, WrittenWhenMissingAndReadByTheGameAsChosen) {
    bool written = false;
    std::string error;
    ASSERT_TRUE(writeNewcomerSettings(folder_.path() + "/media", written, error)) << error;
    EXPECT_TRUE(written);
    EXPECT_EQ(folder_.readMedia("game.ini"), newcomerSettingsText());
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_.path() + "/media"), fs::directory_iterator()), 1)
        << "no temporary left behind";

    Settings.Load();
    EXPECT_EQ(Settings.Windowed, 1);
    EXPECT_EQ(Settings.Lights, 0);
    EXPECT_EQ(Settings.Music, 1);
    EXPECT_EQ(Settings.Joystick, 0);
    EXPECT_EQ(Settings.UseHiQualTex, 1);
    // The stored size is the one the launcher's entry gives, so Start changes nothing.
    const int width = Settings.Width, height = Settings.Height;
    Settings.ChooseResolution(Settings.UseScreenRes);
    EXPECT_EQ(Settings.UseScreenRes, 1);
    EXPECT_EQ(width, Settings.Width);
    EXPECT_EQ(height, Settings.Height);
}

TEST_F(NewcomerSettings, ThePlayersFileIsNeverWrittenOver) {
    const std::string mine = "; mine\n[Game]\nLights=1\n";
    folder_.writeMedia("game.ini", mine);
    bool written = true;
    std::string error;
    ASSERT_TRUE(writeNewcomerSettings(folder_.path() + "/media", written, error)) << error;
    EXPECT_FALSE(written);
    EXPECT_EQ(folder_.readMedia("game.ini"), mine);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_.path() + "/media"), fs::directory_iterator()), 1);

    // Not even through a link that points nowhere yet.
    fs::remove(folder_.media("game.ini"));
    fs::create_symlink(folder_.path() + "/elsewhere.ini", folder_.media("game.ini"));
    ASSERT_TRUE(writeNewcomerSettings(folder_.path() + "/media", written, error)) << error;
    EXPECT_FALSE(written);
    EXPECT_FALSE(fs::exists(folder_.path() + "/elsewhere.ini"));
}

TEST_F(NewcomerSettings, AMissingFolderIsAnError) {
    bool written = true;
    std::string error;
    EXPECT_FALSE(writeFileIfAbsent(folder_.path() + "/absent/game.ini", {1}, written, error));
    EXPECT_FALSE(written);
    EXPECT_NE(error.find("absent"), std::string::npos);
}

}  // namespace
