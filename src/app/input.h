#pragma once
// The game reads input only from the key table and the pointer, which the
// window messages and the joystick fill.

#include "platform/keys.h"
#include "platform/platform.h"

#include <cstdint>

// Down (1) or up (0), by Windows virtual-key code. W, A, S, D fold onto the
// arrows, the left button onto Space, the right button onto Ctrl.
extern std::uint8_t KeyState[256];

// The pointer over the game window: -1 at the left/top edge, +1 at the right/bottom.
extern float PointerX;
extern float PointerY;

struct JoystickState {
    platform::JoystickRanges ranges;
    bool available;  // opened and answered at start-up
    bool lastPollOk;
    bool hasRU;             // the device has usable R and U axes
    float x, y, r, u;       // -1..+1
    std::uint32_t buttons;  // bit 0 is button 1
    std::uint32_t pov;
};

extern JoystickState Joystick;

// Applies one window message to the key table and the pointer. Esc, Q and
// closing the window tear the window down and end the main loop; system keys
// (Alt held, F10) do nothing.
void HandleInputMessage(const platform::Message& message);

// Opens the first joystick; it is ignored for the run when this fails.
bool OpenJoystick();

// Reads the joystick; false when it is not available or unplugged.
bool PollJoystick();

// Hands the last poll to the pointer and the seven action slots.
void TransferJoystickToKeys();
