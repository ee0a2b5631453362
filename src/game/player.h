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
extern float StepPhase;      // grows while walking: head bob and footsteps
extern float HopEndTime;     // GameClock time the current hop or duck ends
extern float HopHeight;      // +2 hop, -2 duck
extern float LastThrowTime;  // GameClock time of the last throw
extern float DialAngle;      // the detector needle, radians
extern int AnnouncedMonster;
extern int StepSoundCycle, ScrunchSoundCycle;

// Looks, walks, picks up, throws and carries the detector, one frame on.
void UpdatePlayer();

// What MoveInCell did.
enum MoveResult : int { RevertedX = 1, RevertedZ = 2, CrossedPortal = 4 };

// Corrects the move from `from` to `to` (x and z only) against the walls of
// `cell`: a blocked coordinate goes back to its old value, so a move along a
// wall slides. When the move crosses a portal, `newCell` is the neighbour
// behind it. `hitSegment`, when given, gets the last wall hit.
int MoveInCell(const CaveCell& cell, const Vector3& from, Vector3& to, CaveCell*& newCell, int* hitSegment);
