#pragma once
// Input scripts: one message per line, each due at a frame.
//   FRAME down KEY | FRAME up KEY | FRAME pointer X Y | FRAME click left|right down|up
// Blank lines and lines starting with '#' are skipped.

#include "platform/platform.h"

#include <string>
#include <string_view>
#include <vector>

struct ScriptEvent {
    int frame;
    platform::Message message;
};

// The virtual-key code of a key name (a letter, a digit, or up down left
// right space shift ctrl esc, any letter case); -1 for anything else.
int KeyCodeFromName(std::string_view name);

// Events in frame order (lines of one frame keep their order). False with
// "line N: ..." in `error` at the first bad line.
bool ParseScript(const std::string& text, std::vector<ScriptEvent>& events, std::string& error);

bool LoadScript(const std::string& path, std::vector<ScriptEvent>& events, std::string& error);
