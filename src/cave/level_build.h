#pragma once
// Building a level from its map: the cave cells, the things scattered in
// them, and the player's starting cell.

extern int RocksToPlace;   // rocks scattered over the next level
extern int ChestsToPlace;  // chests scattered over the next level

// Builds level LevelIndex on an empty cave. False when its map cannot be
// read or is refused; the cave is then left empty.
bool BuildLevel();

// Replaces the current level with level LevelIndex and resumes play. A level
// that cannot be built ends the game with the fatal media error.
void StartLevel();
