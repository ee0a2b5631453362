#include "game/game_state.h"

int GameState = Playing;
float GameClock = 0.0f;
float StateEndTime = 0.0f;
int LevelIndex = 0;
int LevelCount = 0;

// The cave and its players are not in the game yet.
void UpdateGame() {}
