#pragma once
// The game reads "<executable folder>/media/<name>". A media folder given on
// the command line is reached through a stand-in executable folder: its
// parent when it is called "media", otherwise a temporary folder holding a
// link named "media" to it, removed again when this object goes.

#include <string>

class MediaFolderLink {
public:
    MediaFolderLink() = default;
    ~MediaFolderLink();
    MediaFolderLink(const MediaFolderLink&) = delete;
    MediaFolderLink& operator=(const MediaFolderLink&) = delete;

    // The executable folder that makes `mediaFolder` the game's media folder;
    // false with `error` when it is not a folder or no link can be made.
    bool prepare(const std::string& mediaFolder, std::string& executableFolder, std::string& error);

private:
    std::string temporary_;
};
