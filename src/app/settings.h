#pragma once
// The player's choices, kept in "game.ini" (section "Game") in the media folder.

struct GameSettings {
    bool changed = false;  // Start was pressed: written back at program exit
    bool given = false;    // set by a driver: no file, no launcher
    int Windowed = 1;
    int Lights = 1;
    int Music = 0;
    int Joystick = 0;
    int Width = 640;
    int Height = 480;
    int UseHiQualTex = 0;
    int UseScreenRes = 0;  // entry of the resolution list; 3 is the desktop size

    // Loads the file, lets the player choose, and says whether to start.
    bool RunLauncher(const char* title);

    void Load();
    void Save() const;

    // What Start does with the resolution list's selection: the size of that
    // entry, or 640 x 480 (and no selection, -1) for an index outside the list.
    void ChooseResolution(int index);
};

inline constexpr int DesktopResolution = 3;

extern GameSettings Settings;

// For a driver that runs the game unattended: start-up takes these settings
// as they are, with no file and no launcher, and nothing is written back.
void UseGivenSettings(const GameSettings& given);
