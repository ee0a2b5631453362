#pragma once
// The services the game asks of the operating system. Two backends implement
// this header: sdl (the real game) and headless (tests and the timedemo tool).
// Nothing else in the game talks to the operating system.

#include "platform/audio_output.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// Milliseconds since the program started (wraps after 49 days).
std::uint32_t Milliseconds();

// A steady clock in seconds with sub-microsecond resolution, for measuring
// how long work takes; never used for game time.
double PreciseSeconds();

// Seed for the game's random generator: the wall clock in the real game, a
// value the driver chose in a headless run.
std::uint32_t RandomSeed();

// The folder holding the executable, without a trailing separator.
std::string ExecutableFolder();

// Names (without folder) of the regular files in `folder` whose names match
// `pattern` ('*' and '?' wildcards, '\\' quoting the next character), sorted in
// byte order; letters of either case match each other when `ignoreCase`.
std::vector<std::string> FindFiles(const std::string& folder, const std::string& pattern,
                                   bool ignoreCase = false);

// Whether `path` names a regular file.
bool FileExists(const std::string& path);

// Opens `path` for reading in binary mode, as fopen "rb" does; null when it
// cannot be opened or is not a regular file (a folder, a named pipe, a
// device), which is refused at once: a pipe with no writer never blocks it.
std::FILE* OpenFileForReading(const char* path);

// Whether `path` names a file that nobody may write (no write permission
// bit set), whoever is asking.
bool FileIsReadOnly(const std::string& path);

// Makes `contents` the whole of the file at `path` and waits until it is on
// the disk; false when any step fails.
bool WriteWholeFile(const std::string& path, const std::string& contents);

// ---- Game window and its OpenGL context ----

struct WindowRequest {
    const char* title;
    int width;
    int height;
    bool fullscreen;  // changes the display mode to width x height
};

// Size of the desktop; false if it cannot be told.
bool DesktopSize(int& width, int& height);

// Opens the window with a current OpenGL compatibility context. Windowed, the
// cursor is confined to the window; full screen, the display mode is changed
// and the cursor hidden. Either way the pointer is put at the window's centre. False when any step fails;
// whatever was made is undone by CloseWindow.
bool OpenWindow(const WindowRequest& request);

// Deletes the context, restores the display mode and the cursor, and closes
// the window. Safe to call at any time, any number of times.
void CloseWindow();

bool WindowIsOpen();
void SwapBuffers();

// ---- Input messages, one at a time, keys in Windows virtual-key numbering ----

enum class MessageType : std::uint8_t {
    KeyDown,
    KeyUp,
    SystemKeyDown,  // a key pressed while Alt is held, or F10: the system's, not the game's
    PointerMove,    // x, y in window pixels from the top-left corner
    LeftButtonDown,
    LeftButtonUp,
    RightButtonDown,
    RightButtonUp,
    Close,  // the player closed the window
    Other,
};

struct Message {
    MessageType type;
    int key;  // virtual-key code, for KeyDown, KeyUp and SystemKeyDown
    int x, y;
};

// Removes the oldest pending message; false when there is none.
bool PollMessage(Message& message);

// ---- Message boxes (block until dismissed) ----

enum class MessageIcon : std::uint8_t { Information, Error };

// `ownedByWindow`: shown over the game window rather than on its own.
void ShowMessageBox(const char* text, const char* caption, MessageIcon icon, bool ownedByWindow);

// ---- The first joystick ----

struct JoystickRanges {
    std::uint32_t xMin, xMax, yMin, yMax, rMin, rMax, uMin, uMax;
};

struct JoystickReading {
    std::uint32_t x, y, r, u;
    std::uint32_t buttons;  // bit 0 is button 1
    std::uint32_t pov;      // hundredths of a degree, 65535 when centred
};

// Opens the first joystick and reports its axis ranges (an axis it lacks has
// an empty range); false when there is none.
bool OpenJoystick(JoystickRanges& ranges);

// Reads the opened joystick; false when it is unplugged or was never opened.
bool ReadJoystick(JoystickReading& reading);

// ---- The launcher window, shown before the game window ----

struct LauncherChoices {
    int resolution;  // entry of the resolution list, -1 for none
    bool windowed, lights, music, joystick, highQualityTextures;
};

struct LauncherRequest {
    const char* title;
    const char* const* resolutions;  // the list's entries, in order
    int resolutionCount;
    // The picture painted from the top-left corner, 4 bytes a pixel (blue,
    // green, red, unused), top row first; null for none.
    const std::uint8_t* splash;
    int splashWidth, splashHeight;
};

// Shows the launcher with `choices` and waits until it closes. True when the
// player pressed Start, with `choices` then holding the controls' values;
// false when the window was closed or could not be shown.
bool RunLauncher(const LauncherRequest& request, LauncherChoices& choices);

}  // namespace platform

// ---- MIDI output and the periodic timer ----

namespace platform {

// Opens the MIDI output, a General MIDI synthesiser; false when there is none
// (no SoundFont or no audio device), and the game then plays no music.
bool OpenMidiOutput();
void CloseMidiOutput();
bool MidiOutputIsOpen();

// One channel message: status in the low byte, then the two data bytes.
// Dropped while the output is closed. Safe from any thread.
void SendMidiMessage(std::uint32_t message);

// Calls `callback(id, user)` every `periodMs` milliseconds on a thread of its
// own until the timer is stopped; 0 when it cannot be started.
using TimerCallback = void (*)(int id, void* user);
int StartPeriodicTimer(std::uint32_t periodMs, TimerCallback callback, void* user);

// Ends a timer; from its own callback too. After it returns from any other
// thread, the callback is not running and will not run again.
void StopPeriodicTimer(int id);

// True while the timer may still call, or be in, its callback.
bool TimerIsRunning(int id);

void SleepMilliseconds(std::uint32_t milliseconds);

// ---- Text into 32-bit pixels ----

// A block of pixels the text service draws into: `width` x `height` pixels
// of 4 bytes (blue, green, red, alpha), stored bottom row first.
struct PixelCanvas {
    std::uint32_t* pixels;
    int width, height;
};

// Writes one line of `length` characters of `text` with the top-left corner
// of its box at (x, y), y counted down from the top row. The box (the line's
// advance by the font's line height) is first filled with `background`, then
// the glyphs are blended onto it in `colour` (both 0xRRGGBB); the alpha byte
// of every pixel touched is 0. Nothing past the canvas is written. The font is
// the system's bold sans (a fixed font file in the headless backend), opened
// on first use. False when there is no font: nothing is drawn.
bool DrawTextLine(const PixelCanvas& canvas, const char* text, int length, int x, int y, std::uint32_t colour,
                  std::uint32_t background);

// Height in pixels of one line of text; 0 when there is no font.
int TextLineHeight();

}  // namespace platform
