#pragma once
// Hand-drawn text maps ('.' open floor, '#' rock, one line per row) turned
// into the game's level bitmaps, refused when the game could not build them.

#include <cstdint>
#include <string>
#include <vector>

#include "image.h"

struct LevelGrid {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> cells;  // row-major, 0 open, 1 rock
};

inline constexpr RgbColour FloorColour{224, 208, 168};
inline constexpr RgbColour RockColour{56, 48, 40};

bool parseLevelText(const std::string& text, LevelGrid& grid, std::string& error);

int countOpenCells(const LevelGrid& grid);

// The player's start: the first open cell, top row first, then left to right.
bool findStartCell(const LevelGrid& grid, int& column, int& row);

// Every open cell must be reachable from the start through the eight
// neighbour connections the cave is built with.
bool checkReachable(const LevelGrid& grid, std::string& error);

// The game's own limits for the level at this index, then reachability.
bool checkLevel(const LevelGrid& grid, int levelIndex, std::string& error);

// Legend row (floor, then rock) above the grid, one pixel per cell.
RgbImage levelBitmap(const LevelGrid& grid);
