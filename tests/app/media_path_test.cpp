#include "app/media_path.h"
#include "support/gl_context.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using MediaPathTest = GameFolderTest;

TEST_F(MediaPathTest, PathIsTheMediaFolderBesideTheExecutable) {
    PathBuffer path;
    ASSERT_TRUE(MediaPath(path, "theme.mid"));
    EXPECT_EQ(std::string(path), folder_.path() + "/media/theme.mid");

    PathBuffer inPlace = "sub/cavemap*.bmp";
    ASSERT_TRUE(MediaPathInPlace(inPlace));
    EXPECT_EQ(std::string(inPlace), folder_.path() + "/media/sub/cavemap*.bmp");
}

TEST_F(MediaPathTest, PathThatDoesNotFitIsRefusedNotCut) {
    PathBuffer path = "left over";
    const std::string longName(PathCapacity, 'x');
    EXPECT_FALSE(MediaPath(path, longName.c_str()));
    EXPECT_STREQ(path, "");

    const std::size_t room = PathCapacity - 1 - (folder_.path() + "/media/").size();
    EXPECT_TRUE(MediaPath(path, std::string(room, 'y').c_str())) << "259 characters still fit";
    EXPECT_FALSE(MediaPath(path, std::string(room + 1, 'y').c_str()));
}

TEST_F(MediaPathTest, LevelFilesAreTheFirstSixteenMatchesInByteOrder) {
    for (int i = 20; i >= 1; --i) folder_.writeMedia("cavemap" + std::to_string(i) + ".bmp", "");
    folder_.writeMedia("cavemap.txt", "");
    folder_.writeMedia("mycavemap0.bmp", "");
    ASSERT_EQ(FindLevelFiles(), 16);
    EXPECT_STREQ(LevelFiles[0], "cavemap1.bmp");
    EXPECT_STREQ(LevelFiles[1], "cavemap10.bmp");
    EXPECT_STREQ(LevelFiles[11], "cavemap2.bmp");
    EXPECT_STREQ(LevelFiles[12], "cavemap20.bmp");
    EXPECT_STREQ(LevelFiles[15], "cavemap5.bmp");
}

TEST_F(MediaPathTest, LevelFilesMatchInAnyCaseAndKeepByteOrder) {
    for (const char* name : {"cavemap2.bmp", "CaveMap3.BMP", "CAVEMAP1.bmp", "cavemap0.Bmp", "cave_map4.bmp"})
        folder_.writeMedia(name, "");
    ASSERT_EQ(FindLevelFiles(), 4);
    EXPECT_STREQ(LevelFiles[0], "CAVEMAP1.bmp");
    EXPECT_STREQ(LevelFiles[1], "CaveMap3.BMP");
    EXPECT_STREQ(LevelFiles[2], "cavemap0.Bmp");
    EXPECT_STREQ(LevelFiles[3], "cavemap2.bmp");
}

TEST_F(MediaPathTest, AMissingNameOpensTheFileThatDiffersOnlyInCase) {
    const std::string media = folder_.path() + "/media/";
    folder_.writeMedia("rock.jpg", "");
    PathBuffer path;
    ASSERT_TRUE(MediaPath(path, "Rock.jpg"));
    EXPECT_EQ(std::string(path), media + "rock.jpg");
    ASSERT_TRUE(MediaPath(path, "ROCK.JPG"));
    EXPECT_EQ(std::string(path), media + "rock.jpg");

    // The exact name wins; among several others the first in byte order.
    folder_.writeMedia("Rock.jpg", "");
    folder_.writeMedia("rOCK.jpg", "");
    ASSERT_TRUE(MediaPath(path, "rock.jpg"));
    EXPECT_EQ(std::string(path), media + "rock.jpg");
    ASSERT_TRUE(MediaPath(path, "ROCK.jpg"));
    EXPECT_EQ(std::string(path), media + "Rock.jpg");

    // No such file in any case: the exact name, so that a new file gets it.
    // Wildcards in a name are plain characters.
    for (const char* name : {"Game.ini", "r*.jpg", "rock.jp?", "sub/rock.jpg"}) {
        ASSERT_TRUE(MediaPath(path, name));
        EXPECT_EQ(std::string(path), media + name);
    }
    PathBuffer inPlace = "ROCK.JPG";
    ASSERT_TRUE(MediaPathInPlace(inPlace));
    EXPECT_EQ(std::string(inPlace), media + "Rock.jpg");
}

TEST_F(MediaPathTest, BareNameCountsAndNoMatchesOrNoFolderGiveZero) {
    EXPECT_EQ(FindLevelFiles(), 0);
    folder_.writeMedia("cavemap.bmp", "");
    ASSERT_EQ(FindLevelFiles(), 1);
    EXPECT_STREQ(LevelFiles[0], "cavemap.bmp");

    TempGameFolder other;
    std::filesystem::remove(other.path() + "/media");
    EXPECT_EQ(FindLevelFiles(), 0);
}

}  // namespace
