#include "game/game_state.h"

// The cave and its players are not in the game yet.
void UpdateGame() {}
