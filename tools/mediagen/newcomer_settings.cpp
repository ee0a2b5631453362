#include "newcomer_settings.h"

#include "file_output.h"

#include <cstdint>
#include <vector>

// Chosen by looking at the cave side by side:
// - Lights off: the single lamp leaves the rock texture dark and hides the
//   monsters down the passage; unlit, the painted shading reads clearly.
// - High-quality textures: the reduced formats turn the brown rock into
//   purple and yellow speckle.
// - 800 x 600 in a window: twice the pixels of 640 x 480 and fits every
//   desktop; full screen would change the display mode on a first run.
// - Music on: the title theme was written for the game. No joystick, so an
//   idle pad with drifting sticks does not turn the view.
std::string newcomerSettingsText() {
    return "[Game]\n"
           "Windowed=1\n"
           "Lights=0\n"
           "Music=1\n"
           "Joystick=0\n"
           "UseHiQualTex=1\n"
           "Width=800\n"
           "Height=600\n"
           "UseScreenRes=1\n";
}

bool writeNewcomerSettings(const std::string& mediaFolder, bool& written, std::string& error) {
    const std::string text = newcomerSettingsText();
    return writeFileIfAbsent(mediaFolder + "/game.ini", std::vector<std::uint8_t>(text.begin(), text.end()),
                             written, error);
}
