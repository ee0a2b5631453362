#pragma once
// What a level map must satisfy before the cave is built from it: the cell
// records have room for 4 connections and 8 walls, the cell table for 1024
// cells, and every placement needs an open cell of its own.

#include <cstdint>
#include <string>

inline constexpr int MaxGridCells = 1024;

struct LevelNeeds {
    int things;         // open cells the build marks, one per placed thing
    bool detectorCell;  // the first level's detector needs a cell in the top-left eighth
};

// The most a level at this index can ask for (no rocks carried in).
LevelNeeds levelNeedsAt(int levelIndex);

// True when the grid (row-major codes, 0 open) can be built; otherwise
// `reason` says what is wrong, for the player's message.
bool checkLevelGrid(const std::uint8_t* cells, int width, int height, const LevelNeeds& needs,
                    std::string& reason);
