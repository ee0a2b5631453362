#include "media_folder.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

MediaFolderLink::~MediaFolderLink() {
    if (temporary_.empty()) return;
    std::error_code ignored;
    fs::remove(fs::path(temporary_) / "media", ignored);  // the link only, never what it points at
    fs::remove(temporary_, ignored);
}

bool MediaFolderLink::prepare(const std::string& mediaFolder, std::string& executableFolder,
                              std::string& error) {
    std::error_code failure;
    const fs::path folder = fs::weakly_canonical(fs::absolute(mediaFolder, failure), failure);
    if (failure || !fs::is_directory(folder, failure)) {
        error = "the media folder \"" + mediaFolder + "\" is not a folder";
        return false;
    }
    if (folder.filename() == "media") {
        executableFolder = folder.parent_path().string();
        return true;
    }
    std::string pattern = (fs::temp_directory_path(failure) / "umbrafall-timedemo-XXXXXX").string();
    if (failure || !mkdtemp(pattern.data())) {
        error = "cannot make a temporary folder for the media link";
        return false;
    }
    temporary_ = pattern;
    fs::create_directory_symlink(folder, fs::path(temporary_) / "media", failure);
    if (failure) {
        error = "cannot link the media folder: " + failure.message();
        return false;
    }
    executableFolder = temporary_;
    return true;
}
