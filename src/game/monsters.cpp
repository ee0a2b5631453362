#include "game/monsters.h"

#include "app/shell.h"

Monster Monsters[MaxMonsters];
int MonsterCount = 4;
CaveCell* MonsterCells[MaxMonsters];
int NearestMonster = -1;
int AnimStanding = -1, AnimWalking = -1, AnimDuckwalk = -1, AnimSidestep = -1, AnimDead = -1, AnimAttack = -1;
ItemList FlyingRocks;

void resetMonsterToStanding(Monster& monster) {
    behaviourState(monster) = AnimStanding;
    if (monster.animationCount == 0) return;
    monster.currentAnimation = AnimStanding;
    if (AnimStanding < 0 || static_cast<std::uint32_t>(AnimStanding) >= monster.animationCount) return;
    monster.animationFinished = false;
    Animation& standing = monster.animations[AnimStanding];
    standing.loop = false;
    standing.time = 0.0f;
}

// The monsters stand where the level put them, animated in place, until
// they learn to move.
void UpdateMonsters() {
    for (int i = 0; i < MonsterCount && i < MaxMonsters; ++i) updateSkinnedModel(Monsters[i], FrameTime);
}

// Thrown rocks hang where they left the hand until they learn to fly.
ItemNode* UpdateFlyingRock(ItemNode* node) { return node ? node->next : nullptr; }
