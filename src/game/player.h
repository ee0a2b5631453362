#pragma once
// The player: an eye walking on the cave floor, carrying coins and rocks.

#include "cave/item_list.h"
#include "math/vector3.h"

struct CaveCell;

inline constexpr float EyeHeight = 2.1f;  // above the floor
inline constexpr int MaxCoins = 25;

extern Vector3 PlayerPos;      // the eye
extern Vector3 ViewDir;        // unit look direction
extern const Vector3 WorldUp;  // (0, 1, 0)
extern CaveCell* PlayerCell;   // the cell the player is in
extern float ViewYaw;          // heading, radians from +z toward +x
extern float ViewPitch;        // radians, positive looks down
extern int CoinCount;
extern bool HasDetector;
extern ItemList CarriedRocks;
