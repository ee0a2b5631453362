#pragma once
// The game's top-level state and its clock.

enum GameStateValue : int { Playing = 1, LevelPassed = 2, Dead = 3, Won = 4 };

inline constexpr float MaxFrameTime = 0.2f;  // seconds; a longer frame is played as this long

extern int GameState;
extern float GameClock;     // seconds of play, capped frame by frame; never reset
extern float StateEndTime;  // when LevelPassed or Dead ends
extern int LevelIndex;      // the level being played, from 0
extern int LevelCount;      // level maps found in the media folder

// Advances the game by one accepted frame (FrameTime seconds, capped here).
void UpdateGame();

// Puts the view matrix and the lamp at the player's eye.
void UpdateLight();
