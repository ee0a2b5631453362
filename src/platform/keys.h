#pragma once
// Windows virtual-key codes: the numbering the game's key table uses.

inline constexpr int VK_SHIFT = 16;
inline constexpr int VK_MENU = 18;  // Alt
inline constexpr int VK_CONTROL = 17;
inline constexpr int VK_ESCAPE = 27;
inline constexpr int VK_SPACE = 32;
inline constexpr int VK_LEFT = 37;
inline constexpr int VK_UP = 38;
inline constexpr int VK_RIGHT = 39;
inline constexpr int VK_DOWN = 40;
inline constexpr int VK_F10 = 121;
// Letters and digits use their upper-case ASCII codes ('A'..'Z', '0'..'9').
