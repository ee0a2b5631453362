#include "app/settings.h"

#include "app/ini_file.h"
#include "app/media_path.h"
#include "image/image_decoder.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

GameSettings Settings;

void UseGivenSettings(const GameSettings& given) {
    Settings = given;
    Settings.changed = false;
    Settings.given = true;
}

namespace {

const char* const Section = "Game";

struct Resolution {
    int width, height;
};

// The launcher's list, in its order; "ScreenRez" becomes the desktop size
// when the window is made.
constexpr Resolution Resolutions[] = {{640, 480}, {800, 600}, {1024, 800}, {640, 480}, {320, 240}};
constexpr int ResolutionCount = sizeof Resolutions / sizeof Resolutions[0];
const char* const ResolutionNames[ResolutionCount] = {"640x480", "800x600", "1024x800", "ScreenRez",
                                                      "320x240"};

std::string SettingsPath() {
    PathBuffer path;
    return MediaPath(path, "game.ini") ? std::string(path) : std::string();
}

}  // namespace

void GameSettings::Load() {
    IniFile file;
    file.Load(SettingsPath());
    Windowed = file.GetInt(Section, "Windowed", 1);
    Lights = file.GetInt(Section, "Lights", 0);
    Music = file.GetInt(Section, "Music", 0);
    Joystick = file.GetInt(Section, "Joystick", 0);
    UseHiQualTex = file.GetInt(Section, "UseHiQualTex", 0);
    Width = file.GetInt(Section, "Width", 640);
    Height = file.GetInt(Section, "Height", 480);
    UseScreenRes = file.GetInt(Section, "UseScreenRes", 0);
}

void GameSettings::Save() const {
    const std::string path = SettingsPath();
    if (path.empty()) return;
    IniFile file;
    file.Load(path);
    const std::pair<const char*, int> values[] = {
        {"Windowed", Windowed},
        {"Lights", Lights},
        {"Music", Music},
        {"Joystick", Joystick},
        {"UseHiQualTex", UseHiQualTex},
        {"Width", Width},
        {"Height", Height},
        {"UseScreenRes", UseScreenRes},
    };
    for (const auto& [key, value] : values) file.SetString(Section, key, std::to_string(value));
    file.Save(path);
}

void GameSettings::ChooseResolution(int index) {
    const bool listed = index >= 0 && index < ResolutionCount;
    UseScreenRes = listed ? index : -1;
    Width = listed ? Resolutions[index].width : 640;
    Height = listed ? Resolutions[index].height : 480;
}

bool GameSettings::RunLauncher(const char* title) {
    if (given) return true;
    Load();
    const bool listed = UseScreenRes >= 0 && UseScreenRes < ResolutionCount;
    platform::LauncherChoices choices{
        listed ? UseScreenRes : -1, Windowed != 0, Lights != 0, Music != 0, Joystick != 0, UseHiQualTex != 0};
    int splashWidth = 0, splashHeight = 0;
    const std::vector<std::uint8_t> splash = DecodeImage("splash.jpg", splashWidth, splashHeight);
    const platform::LauncherRequest request{title,           ResolutionNames,
                                            ResolutionCount, splash.empty() ? nullptr : splash.data(),
                                            splashWidth,     splashHeight};
    if (!platform::RunLauncher(request, choices)) return false;

    ChooseResolution(choices.resolution);
    Windowed = choices.windowed ? 1 : 0;
    Lights = choices.lights ? 1 : 0;
    Music = choices.music ? 1 : 0;
    Joystick = choices.joystick ? 1 : 0;
    UseHiQualTex = choices.highQualityTextures ? 1 : 0;
    changed = true;
    return true;
}
