#pragma once
// The game.ini a newcomer starts with.

#include <string>

// The settings in the game's own layout: section "Game", its eight keys in order.
std::string newcomerSettingsText();

// Puts it into the media folder unless a game.ini is there: the player's
// file always wins. `written` says whether it was made.
bool writeNewcomerSettings(const std::string& mediaFolder, bool& written, std::string& error);
