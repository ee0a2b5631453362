#pragma once
// The command line of umbrafall-timedemo.

#include "app/settings.h"

#include <cstdint>
#include <string>
#include <vector>

struct ScreenshotRequest {
    int frame;
    std::string file;
};

struct DemoOptions {
    std::string mediaFolder;  // empty: the media folder beside the executable
    GameSettings settings;    // the game.ini defaults, then --size and --set
    int frames = 600;
    int frameMs = 16;
    std::uint32_t seed = 1;
    std::string scriptFile;
    bool autopilot = false;
    std::vector<ScreenshotRequest> screenshots;
    std::string jsonFile;
    std::string audioFile;  // empty: no sound output
};

// The settings a fresh game.ini would give.
GameSettings DefaultDemoSettings();

enum class ParseOutcome { Run, Help, UsageError };

// argv[0] is the program name. On UsageError `error` says what is wrong.
ParseOutcome ParseDemoOptions(int argc, const char* const* argv, DemoOptions& options, std::string& error);

// Applies "Key=Value" for one of the eight game.ini keys (any letter case).
bool ApplySetting(const std::string& assignment, GameSettings& settings, std::string& error);

const char* DemoUsage();
