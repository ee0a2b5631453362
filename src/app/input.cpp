#include "app/input.h"

#include "app/game_window.h"
#include "app/settings.h"
#include "app/shell.h"

std::uint8_t KeyState[256];
float PointerX = 0.0f;
float PointerY = 0.0f;
JoystickState Joystick;

namespace {

// The arrow slot a letter key also drives, or 0.
int FoldedKey(int key) {
    switch (key) {
        case 'W': return VK_UP;
        case 'A': return VK_LEFT;
        case 'D': return VK_RIGHT;
        case 'S': return VK_DOWN;
        default: return 0;
    }
}

void SetKey(int key, std::uint8_t down) {
    if (key >= 0 && key < 256) KeyState[key] = down;
}

void Quit() {
    DestroyGameWindow();
    IsRunning = false;
}

// An axis position within its range, as -1..+1.
float AxisPosition(std::uint32_t value, std::uint32_t low, std::uint32_t high) {
    return static_cast<float>(value - low) / static_cast<float>(high - low) * 2.0f - 1.0f;
}

}  // namespace

void HandleInputMessage(const platform::Message& message) {
    using platform::MessageType;
    switch (message.type) {
        case MessageType::KeyDown:
            SetKey(message.key, 1);
            if (message.key == 'Q' || message.key == VK_ESCAPE)
                Quit();
            else if (FoldedKey(message.key))
                SetKey(FoldedKey(message.key), 1);
            break;
        case MessageType::SystemKeyDown: break;  // Alt+Q does not quit, Alt+W does not walk
        case MessageType::KeyUp:
            SetKey(message.key, 0);
            if (FoldedKey(message.key)) SetKey(FoldedKey(message.key), 0);
            break;
        case MessageType::PointerMove:
            PointerX = static_cast<float>(message.x) * 2.0f / static_cast<float>(Settings.Width) - 1.0f;
            PointerY = static_cast<float>(message.y) * 2.0f / static_cast<float>(Settings.Height) - 1.0f;
            break;
        case MessageType::LeftButtonDown: KeyState[VK_SPACE] = 1; break;
        case MessageType::LeftButtonUp: KeyState[VK_SPACE] = 0; break;
        case MessageType::RightButtonDown: KeyState[VK_CONTROL] = 1; break;
        case MessageType::RightButtonUp: KeyState[VK_CONTROL] = 0; break;
        case MessageType::Close: Quit(); break;
        case MessageType::Other: break;
    }
}

bool OpenJoystick() {
    JoystickState& j = Joystick;
    j.available = platform::OpenJoystick(j.ranges);
    if (!j.available) return false;
    if (j.ranges.xMin == j.ranges.xMax || j.ranges.yMin == j.ranges.yMax) {
        j.available = false;
        return false;
    }
    j.hasRU = j.ranges.rMin != j.ranges.rMax && j.ranges.uMin != j.ranges.uMax;
    if (!j.hasRU) j.r = j.u = 0.0f;
    platform::JoystickReading reading;
    j.available = j.lastPollOk = platform::ReadJoystick(reading);
    return j.available;
}

bool PollJoystick() {
    JoystickState& j = Joystick;
    if (!j.available) {
        j.lastPollOk = false;
        return false;
    }
    platform::JoystickReading reading;
    const bool ok = platform::ReadJoystick(reading);
    if (ok) {
        const platform::JoystickRanges& range = j.ranges;
        j.buttons = reading.buttons;
        j.pov = reading.pov;
        j.x = AxisPosition(reading.x, range.xMin, range.xMax);
        j.y = AxisPosition(reading.y, range.yMin, range.yMax);
        if (j.hasRU) {
            j.r = AxisPosition(reading.r, range.rMin, range.rMax);
            j.u = AxisPosition(reading.u, range.uMin, range.uMax);
        }
    }
    j.lastPollOk = ok;
    return ok;
}

void TransferJoystickToKeys() {
    // Button n (bit n-1) drives these slots, in order.
    static constexpr int ButtonSlots[] = {VK_LEFT, VK_DOWN, VK_RIGHT, VK_UP, VK_SHIFT, VK_SPACE, VK_CONTROL};
    PointerX = Joystick.x;
    PointerY = Joystick.y;
    for (int bit = 0; bit < 7; ++bit) KeyState[ButtonSlots[bit]] = (Joystick.buttons >> bit) & 1u;
}
