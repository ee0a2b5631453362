#pragma once
// A current OpenGL context of a given size on the headless backend (OSMesa),
// with its pixels readable top row first.

#include <array>
#include <cstdint>

class OffscreenContext {
public:
    OffscreenContext(int width, int height);
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    bool ok() const { return ok_; }

    // Red, green, blue, alpha of the pixel at (x, y), y counted from the top.
    std::array<std::uint8_t, 4> pixel(int x, int y) const;

private:
    int width_;
    bool ok_;
};

// Back to the state of a freshly loaded program: the headless platform, the
// shell, the input and the settings.
void ResetProgramState();
