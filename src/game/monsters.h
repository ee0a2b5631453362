#pragma once
// The monsters and the rocks in flight.

#include "cave/item_list.h"
#include "model/skinned_model.h"

#include <cstdint>

struct CaveCell;

inline constexpr int MaxMonsters = 16;

struct Monster : SkinnedModel {
    float sideOffset = 0.0f;  // radians added to the heading while sidestepping
};

// A monster's behaviour state lives in its model's `loaded` field: 0 is
// dormant (neither animated nor drawn), otherwise the animation it plays.
inline int& behaviourState(Monster& monster) { return monster.loaded; }

extern Monster Monsters[MaxMonsters];
extern int MonsterCount;  // the first MonsterCount monsters are in play
extern CaveCell* MonsterCells[MaxMonsters];
extern int NearestMonster;  // the nearest monster within 50 units, -1 if none
extern int MonsterSoundCycle;

// Animation numbers found by name in the monster model; -1 when missing.
extern int AnimStanding, AnimWalking, AnimDuckwalk, AnimSidestep, AnimDead, AnimAttack;

extern ItemList FlyingRocks;

// Moves the monsters in play toward the player, one frame on.
void UpdateMonsters();

// Moves a thrown rock one frame on; returns the node that followed it in
// FlyingRocks (read first: the rock may leave the list).
ItemNode* UpdateFlyingRock(ItemNode* node);

// The neighbour of `cell` that starts a shortest way of at most 5 steps to
// PlayerCell (the first in connection order on ties), `cell` itself when the
// player is in it, or null. `foundDepth` gets the way's length, 6 for none.
const CaveCell* FindStepToPlayer(const CaveCell* cell, int depth, int& foundDepth);

// The centre of the neighbour of `cell` farthest from the player, on the floor.
Vector3 FarthestNeighbourCentre(const CaveCell* cell);

// Calls of FindStepToPlayer so far, to show what the path search costs.
extern std::uint64_t PathSearchCalls;

// Puts a monster back to standing, its animation at the start and not looping.
void resetMonsterToStanding(Monster& monster);
