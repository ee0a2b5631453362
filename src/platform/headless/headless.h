#pragma once
// Controls of the headless backend, for tests and the timedemo driver: a
// virtual clock, scripted input and joystick, captured message boxes, and an
// offscreen OpenGL context whose pixels can be read back.

#include "platform/headless/headless_audio.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform::headless {

// Back to the state at program load: clock 0, seed 1, no window, no
// messages, no joystick, a 1024 x 768 desktop whose only mode is its own size.
void Reset();

// Periodic timers due on the way fire at their own times, on this thread.
void SetClock(std::uint32_t milliseconds);
void AdvanceClock(std::uint32_t milliseconds);
void SetSeed(std::uint32_t seed);
void SetExecutableFolder(const std::string& folder);

// The font file the text service opens (on its next use); Reset restores the
// fixed default.
void SetFontFile(const std::string& file);

void SetDesktopSize(int width, int height);
// Full-screen sizes the virtual display accepts (the desktop size always is).
void AddDisplayMode(int width, int height);

void PushMessage(const Message& message);
std::size_t PendingMessages();

struct CapturedMessageBox {
    std::string text;
    std::string caption;
    MessageIcon icon;
    bool ownedByWindow;
};
const std::vector<CapturedMessageBox>& MessageBoxes();
void ClearMessageBoxes();

// A joystick appears with these ranges; reads return `reading` until unplugged.
void PlugJoystick(const JoystickRanges& ranges);
void SetJoystickReading(const JoystickReading& reading);
void UnplugJoystick();

struct WindowState {
    bool open;
    int width, height;
    bool fullscreen;
    bool displayModeChanged;  // a full-screen mode is in force
    bool cursorConfined;
    bool cursorHidden;
    int swaps;
};
WindowState Window();

// The frame as drawn, top row first, 4 bytes per pixel (R, G, B, A). Kept
// after the window closes, so the last frame can still be inspected.
const std::vector<std::uint8_t>& FramePixels();

// How the launcher answers: by default the player presses Start at once,
// leaving the values it was shown.
enum class LauncherAction : std::uint8_t { Start, Close, CannotOpen };
void AnswerLauncher(LauncherAction action);
// Start with these values in the controls.
void AnswerLauncher(const LauncherChoices& choices);

struct LauncherSeen {
    int runs;  // how often the launcher was shown
    std::string title;
    std::vector<std::string> resolutions;
    LauncherChoices shown;
    int splashWidth, splashHeight;
    std::vector<std::uint8_t> splash;  // as handed over
};
const LauncherSeen& Launcher();
// The MIDI output: absent until plugged in; once opened, every message it is
// sent is recorded with the virtual time it was sent at.
struct MidiRecord {
    std::uint32_t milliseconds;
    std::uint32_t message;  // status in the low byte
};
void PlugMidiOutput();
void UnplugMidiOutput();
std::vector<MidiRecord> MidiMessages();
void ClearMidiMessages();

// Timers on threads of their own, in real time, and sleeps that really wait;
// the recorded MIDI times then count real milliseconds from this call.
// Otherwise timers follow the virtual clock and a sleep advances it.
void UseRealTimers(bool real);

}  // namespace platform::headless
