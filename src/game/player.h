#pragma once
// The player: an eye walking on the cave floor, carrying coins and rocks.

#include "cave/item_list.h"
#include "math/vector3.h"

struct CaveCell;

extern Vector3 PlayerPos;      // the eye
extern Vector3 ViewDir;        // unit look direction
extern const Vector3 WorldUp;  // (0, 1, 0)
extern CaveCell* PlayerCell;   // the cell the player is in
extern int CoinCount;
extern bool HasDetector;
extern ItemList CarriedRocks;
