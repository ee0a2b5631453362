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

// Where the player stands once the game has started.
struct Placement {
    int level = 0;  // 1 is the first level; 0: where the game starts the player
    float x = 0.0f, z = 0.0f;
    float headingDegrees = 0.0f;  // from +z toward +x
};

inline constexpr int MemoryLogFrames = 1000;

struct DemoOptions {
    std::string mediaFolder;  // empty: the media folder beside the executable
    GameSettings settings;    // the game.ini defaults, then --size and --set
    int frames = 600;
    int frameMs = 16;
    std::uint32_t seed = 1;
    std::string scriptFile;
    bool autopilot = false;
    bool hud = true;      // --no-hud: frames without the HUD panel, for its cost
    bool stress = false;  // the largest level, every monster chasing in view
    bool floor = false;   // also time each 4th frame's commands replayed from one list
    std::vector<ScreenshotRequest> screenshots;
    std::string jsonFile;
    Placement place;
    std::string musicFile;  // the run's MIDI messages rendered to this WAV file
    std::string audioFile;  // empty: no sound output
    bool backToBack = false;  // --back-to-back: a new game starts once the game is won
    std::string memoryLog;    // resident memory every MemoryLogFrames frames, to this file
};

// The settings a fresh game.ini would give.
GameSettings DefaultDemoSettings();

enum class ParseOutcome { Run, Help, UsageError };

// argv[0] is the program name. On UsageError `error` says what is wrong.
ParseOutcome ParseDemoOptions(int argc, const char* const* argv, DemoOptions& options, std::string& error);

// Applies "Key=Value" for one of the eight game.ini keys (any letter case).
bool ApplySetting(const std::string& assignment, GameSettings& settings, std::string& error);

const char* DemoUsage();
