#pragma once
// Pieces shared by the two backends; not for the game.

#include "platform/platform.h"

#include <cstdint>
#include <string>

namespace platform {

// Folder of the running executable, from /proc/self/exe.
std::string RunningExecutableFolder();

// Periodic timers on threads of their own, with the meaning of
// StartPeriodicTimer, StopPeriodicTimer and TimerIsRunning.
int StartThreadTimer(std::uint32_t periodMs, TimerCallback callback, void* user);
void StopThreadTimer(int id);
bool ThreadTimerIsRunning(int id);
void SleepRealMilliseconds(std::uint32_t milliseconds);

}  // namespace platform

#include <cstdint>

namespace platform {

struct PixelCanvas;

// One font face opened with FreeType at the size the game's text uses,
// drawing lines of text for DrawTextLine.
class TextFont {
public:
    TextFont() = default;
    ~TextFont();
    TextFont(const TextFont&) = delete;
    TextFont& operator=(const TextFont&) = delete;

    // Opens `file` (closing any font open before); false when FreeType cannot
    // read it, leaving no font open.
    bool open(const std::string& file);
    void close();
    bool isOpen() const { return face_ != nullptr; }
    int lineHeight() const { return lineHeight_; }
    bool drawLine(const PixelCanvas& canvas, const char* text, int length, int x, int y, std::uint32_t colour,
                  std::uint32_t background) const;

private:
    struct Face;
    Face* face_ = nullptr;
    int lineHeight_ = 0;
    int ascent_ = 0;
};

// Tells the allocator to keep freed memory rather than hand it back to the
// system and fault it in again; each backend calls it at start-up.
void KeepFreedMemory();

}  // namespace platform
