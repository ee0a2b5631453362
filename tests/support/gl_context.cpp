#include "support/gl_context.h"

#include "app/input.h"
#include "app/settings.h"
#include "app/shell.h"
#include "platform/headless/headless.h"

#include <GL/gl.h>

#include <cstring>

OffscreenContext::OffscreenContext(int width, int height) : width_(width) {
    platform::headless::Reset();
    ok_ = platform::OpenWindow({"test", width, height, false});
}

OffscreenContext::~OffscreenContext() { platform::CloseWindow(); }

std::array<std::uint8_t, 4> OffscreenContext::pixel(int x, int y) const {
    const auto& pixels = platform::headless::FramePixels();
    const std::size_t at =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 4;
    return {pixels[at], pixels[at + 1], pixels[at + 2], pixels[at + 3]};
}

void ResetProgramState() {
    platform::headless::Reset();
    IsRunning = false;
    IsPaused = false;
    FrameTime = 0.0f;
    std::memset(ClearColour, 0, sizeof ClearColour);
    std::memset(LightTable, 0, sizeof LightTable);
    ViewMatrix = Matrix4{};
    std::memset(KeyState, 0, sizeof KeyState);
    PointerX = PointerY = 0.0f;
    Joystick = JoystickState{};
    Settings = GameSettings{};
}
