#include "file_output.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class FileOutput : public ::testing::Test {
protected:
    void SetUp() override {
        folder =
            fs::temp_directory_path() /
            ("mediagen_test_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    fs::path folder;
};

}  // namespace

TEST_F(FileOutput, ReplacesTheFileAndLeavesNoTemporaryBehind) {
    const std::string path = (folder / "out.bin").string();
    std::string error;
    ASSERT_TRUE(writeFileAtomically(path, {1, 2, 3, 4, 5}, error)) << error;
    ASSERT_TRUE(writeFileAtomically(path, {'o', 'k'}, error)) << error;
    std::string text;
    ASSERT_TRUE(readTextFile(path, text, error)) << error;
    EXPECT_EQ(text, "ok");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(FileOutput, MissingFoldersAreReportedNotCreated) {
    const std::string path = (folder / "absent" / "out.bin").string();
    std::string error;
    EXPECT_FALSE(writeFileAtomically(path, {1}, error));
    EXPECT_NE(error.find("absent"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder / "absent"));

    std::string text;
    EXPECT_FALSE(readTextFile(path, text, error));
}
