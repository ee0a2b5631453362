#pragma once
// A whole game folder (a copy of the shipped media) and a short headless run
// of the real start-up on it: every level built in turn, the songs of death and
// victory started, a few frames each, then the shut-down that writes game.ini.

#include "app/settings.h"
#include "platform/headless/headless.h"

#include <map>
#include <string>
#include <vector>

struct FaultRun {
    int startStatus = 0;      // StartProgram's: -1 when the first level could not be built
    bool endedFatally = false;  // the fatal box was shown, at start-up or later
    bool runningAtEnd = false;
    GameSettings settings;  // as start-up left them
    platform::headless::WindowState window{};
    std::vector<platform::headless::CapturedMessageBox> boxes;
};

// What every entry under a folder is: its kind, and for a file its bytes.
using FolderListing = std::map<std::string, std::string>;
FolderListing ListFolder(const std::string& folder);

class FaultGameFolder {
public:
    FaultGameFolder();  // copies the shipped media
    ~FaultGameFolder();
    FaultGameFolder(const FaultGameFolder&) = delete;
    FaultGameFolder& operator=(const FaultGameFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string media(const std::string& name) const { return path_ + "/media/" + name; }
    // Names of the shipped media files, game.ini left out, in byte order.
    const std::vector<std::string>& shippedFiles() const { return shipped_; }
    std::string shipped(const std::string& name) const;

    // The shipped file back in place of whatever stands at `name` now.
    void restore(const std::string& name) const;
    void write(const std::string& name, const std::string& contents) const;
    std::string read(const std::string& name) const;

    // The run; `music` plugs a MIDI output in.
    FaultRun play(bool music) const;

private:
    std::string path_;
    std::vector<std::string> shipped_;
};

// Builds `rows` into an aligned table, the first row its header.
std::string FormatTable(const std::vector<std::vector<std::string>>& rows);
