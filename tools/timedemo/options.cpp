#include "options.h"

#include <strings.h>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr int MaxFrames = 100'000'000;
constexpr int MaxFrameMs = 10'000;
constexpr int MaxWindowSide = 16384;
constexpr int MaxLevelNumber = 1000;

bool ParseInteger(const std::string& text, long long low, long long high, long long& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

bool ParseInt(const std::string& text, int low, int high, int& value) {
    long long parsed = 0;
    if (!ParseInteger(text, low, high, parsed)) return false;
    value = static_cast<int>(parsed);
    return true;
}

bool ParseSize(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    return ParseInt(text.substr(0, x), 1, MaxWindowSide, width) &&
           ParseInt(text.substr(x + 1), 1, MaxWindowSide, height);
}

bool ParseScreenshot(const std::string& text, ScreenshotRequest& request) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon + 1 == text.size()) return false;
    request.file = text.substr(colon + 1);
    return ParseInt(text.substr(0, colon), 0, MaxFrames - 1, request.frame);
}

bool ParseFloat(const std::string& text, float& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtof(text.c_str(), &end);
    return errno == 0 && *end == '\0' && std::isfinite(value);
}

// LEVEL,X,Z,HEADING
bool ParsePlacement(const std::string& text, Placement& place) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return parts.size() == 4 && ParseInt(parts[0], 1, MaxLevelNumber, place.level) &&
           ParseFloat(parts[1], place.x) && ParseFloat(parts[2], place.z) &&
           ParseFloat(parts[3], place.headingDegrees);
}

}  // namespace

GameSettings DefaultDemoSettings() {
    GameSettings settings;
    settings.Windowed = 1;
    settings.Lights = 0;
    settings.Music = 0;
    settings.Joystick = 0;
    settings.UseHiQualTex = 0;
    settings.Width = 640;
    settings.Height = 480;
    settings.UseScreenRes = 0;
    return settings;
}

bool ApplySetting(const std::string& assignment, GameSettings& settings, std::string& error) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos) {
        error = "--set wants Key=Value, not \"" + assignment + "\"";
        return false;
    }
    const std::string key = assignment.substr(0, equals);
    const std::string text = assignment.substr(equals + 1);
    struct Field {
        const char* name;
        int GameSettings::*member;
        int low, high;
    };
    static constexpr int Big = std::numeric_limits<int>::max();
    static constexpr Field Fields[] = {
        {"Windowed", &GameSettings::Windowed, -Big, Big},
        {"Lights", &GameSettings::Lights, -Big, Big},
        {"Music", &GameSettings::Music, -Big, Big},
        {"Joystick", &GameSettings::Joystick, -Big, Big},
        {"UseHiQualTex", &GameSettings::UseHiQualTex, -Big, Big},
        {"Width", &GameSettings::Width, 1, MaxWindowSide},
        {"Height", &GameSettings::Height, 1, MaxWindowSide},
        {"UseScreenRes", &GameSettings::UseScreenRes, -Big, Big},
    };
    for (const Field& field : Fields) {
        if (strcasecmp(key.c_str(), field.name) != 0) continue;
        int value = 0;
        if (!ParseInt(text, field.low, field.high, value)) {
            error = std::string("bad value for ") + field.name + ": \"" + text + "\"";
            return false;
        }
        settings.*field.member = value;
        return true;
    }
    error = "unknown setting \"" + key +
            "\" (Windowed, Lights, Music, Joystick, UseHiQualTex, UseScreenRes, Width, Height)";
    return false;
}

ParseOutcome ParseDemoOptions(int argc, const char* const* argv, DemoOptions& options, std::string& error) {
    options = DemoOptions{};
    options.settings = DefaultDemoSettings();
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        bool hasValue = false;
        if (name.rfind("--", 0) == 0) {
            const std::size_t equals = name.find('=');
            if (equals != std::string::npos) {
                value = name.substr(equals + 1);
                name.resize(equals);
                hasValue = true;
            }
        }
        if (name == "--help" || name == "-h") return ParseOutcome::Help;
        if (name == "--no-hud" && !hasValue) {
            options.hud = false;
            continue;
        }
        if (name == "--stress" && !hasValue) {
            options.stress = true;
            continue;
        }
        if (name == "--floor" && !hasValue) {
            options.floor = true;
            continue;
        }
        if (name == "--back-to-back" && !hasValue) {
            options.backToBack = true;
            continue;
        }
        if (name == "--autopilot" && !hasValue) {
            options.autopilot = true;
            continue;
        }
        static const char* const Valued[] = {"--media", "--size",   "--frames",     "--frame-ms", "--seed",
                                             "--set",   "--script", "--screenshot", "--json",
                                             "--place", "--music",
                                             "--audio", "--memory-log"};
        bool known = false;
        for (const char* candidate : Valued) known = known || name == candidate;
        if (!known) {
            error = "unknown option \"" + std::string(argv[i]) + "\"";
            return ParseOutcome::UsageError;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return ParseOutcome::UsageError;
            }
            value = argv[++i];
        }

        bool ok = true;
        if (name == "--media") {
            ok = !value.empty();
            options.mediaFolder = value;
        } else if (name == "--size") {
            ok = ParseSize(value, options.settings.Width, options.settings.Height);
        } else if (name == "--frames") {
            ok = ParseInt(value, 0, MaxFrames, options.frames);
        } else if (name == "--frame-ms") {
            ok = ParseInt(value, 1, MaxFrameMs, options.frameMs);
        } else if (name == "--seed") {
            long long seed = 0;
            ok = ParseInteger(value, 0, std::numeric_limits<std::uint32_t>::max(), seed);
            options.seed = static_cast<std::uint32_t>(seed);
        } else if (name == "--set") {
            if (!ApplySetting(value, options.settings, error)) return ParseOutcome::UsageError;
        } else if (name == "--script") {
            ok = !value.empty();
            options.scriptFile = value;
        } else if (name == "--screenshot") {
            ScreenshotRequest request;
            ok = ParseScreenshot(value, request);
            if (ok) options.screenshots.push_back(request);
        } else if (name == "--place") {
            ok = ParsePlacement(value, options.place);
        } else if (name == "--json") {
            ok = !value.empty();
            options.jsonFile = value;
        } else if (name == "--music") {
            ok = !value.empty();
            options.musicFile = value;
        } else if (name == "--memory-log") {
            ok = !value.empty();
            options.memoryLog = value;
        } else if (name == "--audio") {
            ok = !value.empty();
            options.audioFile = value;
        }
        if (!ok) {
            error = "bad value for " + name + ": \"" + value + "\"";
            return ParseOutcome::UsageError;
        }
    }
    for (const ScreenshotRequest& request : options.screenshots) {
        if (request.frame >= options.frames) {
            error = "--screenshot frame " + std::to_string(request.frame) + " is not below --frames " +
                    std::to_string(options.frames);
            return ParseOutcome::UsageError;
        }
    }
    return ParseOutcome::Run;
}

const char* DemoUsage() {
    return "usage: umbrafall-timedemo [--media DIR] [--size WxH] [--frames N] [--frame-ms MS]\n"
           "                          [--seed N] [--set Key=Value]... [--script FILE] [--autopilot]\n"
           "                          [--screenshot FRAME:FILE.png]... [--json FILE] [--no-hud]\n"
           "                          [--place LEVEL,X,Z,HEADING] [--music FILE.wav]\n"
           "                          [--audio FILE.wav] [--stress] [--floor] [--back-to-back]\n"
           "                          [--memory-log FILE]\n"
           "\n"
           "Runs the game headless: start-up, N frames of the main loop (default 600), each\n"
           "MS virtual milliseconds long (default 16), then shut-down.\n"
           "  --media DIR        the media folder to play (default: the one beside this program)\n"
           "  --size WxH         window size (default 640x480)\n"
           "  --seed N           random seed of the run (default 1)\n"
           "  --set Key=Value    a game.ini setting: Windowed, Lights, Music, Joystick,\n"
           "                     UseHiQualTex, UseScreenRes, Width, Height\n"
           "  --script FILE      input by frame: 'F down KEY', 'F up KEY', 'F pointer X Y',\n"
           "                     'F click left|right down|up'; KEY is a letter, a digit or\n"
           "                     up down left right space shift ctrl esc\n"
           "  --autopilot        walk each level to its transporter; Esc once the game is won\n"
           "  --screenshot F:P   write frame F as drawn to the PNG file P (repeatable)\n"
           "  --json FILE        write the report as JSON\n"
           "  --no-hud           leave the HUD panel off every frame (to measure its cost)\n"
           "  --place L,X,Z,H    start on level L (1 is the first) at x X, z Z, heading H\n"
           "                     degrees from +z toward +x\n"
           "  --music FILE.wav   play the run with a MIDI output and render what it sent\n"
           "                     through the General MIDI synthesiser into FILE.wav\n"
           "  --audio FILE.wav   plug in a sound output and write what it played, in order,\n"
           "                     as 16-bit stereo 11025 Hz\n"
           "  --stress           the largest level, all 16 monsters awake and chasing in\n"
           "                     view, rocks thrown again as they land; placed by --seed\n"
           "  --floor            every 4th frame is recorded into one display list and\n"
           "                     replayed, and a clear-only frame timed, for the floor;\n"
           "                     those frames and the ones after them stay out of the\n"
           "                     frame statistics\n"
           "  --back-to-back     a new game from the first level each time the game is won\n"
           "  --memory-log FILE  write 'frame resident-kB games-won' every 1000 frames\n"
           "Exit status: 0 a completed run, 1 the game failed to start or ended in its\n"
           "fatal error box (the report says \"fatal\": true), 2 a usage error.\n";
}
