#pragma once
// The stress case: the largest level, every monster awake and chasing in
// view, rocks in flight. Placement follows the run's seed.

#include <string>
#include <vector>

// Moves the started game into the stress scene. False, with a warning, when
// no level offers a view with room for the monsters.
bool SetUpStress(std::vector<std::string>& warnings);

// Throws the rocks that have come to rest again; call before each frame.
void KeepRocksFlying(int frame);
