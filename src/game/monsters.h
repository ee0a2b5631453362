#pragma once
// The monsters and the rocks in flight.

#include "cave/item_list.h"
#include "model/skinned_model.h"

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
extern int NearestMonster;

// Animation numbers found by name in the monster model; -1 when missing.
extern int AnimStanding, AnimWalking, AnimDuckwalk, AnimSidestep, AnimDead, AnimAttack;

extern ItemList FlyingRocks;

// Moves the monsters in play toward the player, one frame on.
void UpdateMonsters();

// Moves a thrown rock one frame on; returns the node that followed it in
// FlyingRocks (read first: the rock may leave the list).
ItemNode* UpdateFlyingRock(ItemNode* node);

// Puts a monster back to standing, its animation at the start and not looping.
void resetMonsterToStanding(Monster& monster);
