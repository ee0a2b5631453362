#include "support/temp_folder.h"

#include "platform/headless/headless.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TempGameFolder::TempGameFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "umbrafall-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
    std::filesystem::create_directory(path_ + "/media");
    platform::headless::SetExecutableFolder(path_);
}

TempGameFolder::~TempGameFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void TempGameFolder::writeMedia(const std::string& name, const std::string& contents) const {
    std::ofstream(media(name), std::ios::binary) << contents;
}

std::string TempGameFolder::readMedia(const std::string& name) const {
    std::ifstream file(media(name), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}
