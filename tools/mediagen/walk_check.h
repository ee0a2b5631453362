#pragma once
// Walks a level's cave with the game's own collision, as the player would:
// every passage must take a walker across in both directions, and no drawn
// wall may let a walker off its cell's floor except through an opening.

#include <string>
#include <vector>

#include "level_maps.h"

struct WalkFault {
    int column, row;    // the cell the walker started in
    std::string what;   // what went wrong, for the build log
};

// Builds the cells of `grid` (using the current GL context, or a small one of
// its own when none is open) and walks them. False when the cells could not
// be built; `faults` then holds one entry saying why.
bool checkWalks(const LevelGrid& grid, std::vector<WalkFault>& faults);
