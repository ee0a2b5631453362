#pragma once
// A fresh game folder with an empty "media" folder inside, made the
// executable's folder of the headless platform; removed with its contents.

#include <string>

class TempGameFolder {
public:
    TempGameFolder();
    ~TempGameFolder();
    TempGameFolder(const TempGameFolder&) = delete;
    TempGameFolder& operator=(const TempGameFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string media(const std::string& name) const { return path_ + "/media/" + name; }

    void writeMedia(const std::string& name, const std::string& contents) const;
    std::string readMedia(const std::string& name) const;

private:
    std::string path_;
};

#include "support/gl_context.h"

#include <gtest/gtest.h>

// A test that starts from a freshly loaded program whose executable lies in
// its own temporary game folder.
class GameFolderTest : public ::testing::Test {
private:
    struct FreshProgram {
        FreshProgram() { ResetProgramState(); }
    } fresh_;  // before folder_: a reset would forget the folder

protected:
    TempGameFolder folder_;
};
