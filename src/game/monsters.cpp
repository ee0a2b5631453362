#include "game/monsters.h"

#include "app/shell.h"
#include "app/utilities.h"
#include "audio/midi_player.h"
#include "audio/sound_mixer.h"
#include "cave/cave_cell.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/media_loading.h"
#include "game/player.h"
#include "math/matrix.h"
#include "math/wall_segment.h"

#include <algorithm>
#include <cmath>

Monster Monsters[MaxMonsters];
int MonsterCount = 4;
CaveCell* MonsterCells[MaxMonsters];
int NearestMonster = -1;
int MonsterSoundCycle = 0;
int AnimStanding = -1, AnimWalking = -1, AnimDuckwalk = -1, AnimSidestep = -1, AnimDead = -1, AnimAttack = -1;
ItemList FlyingRocks;
std::uint64_t PathSearchCalls = 0;
int RockHeadHits = 0, RockBodyHits = 0;

namespace {

constexpr float Pi = 3.14159f;
constexpr float TwoPi = 6.28318f;
constexpr float QuarterTurn = 1.570795f;
constexpr float DormantSq = 2500.0f;  // 50 units
constexpr float ChargeSq = 200.0f;    // about 14.1 units
constexpr float HitSq = 7.0f;         // about 2.65 units
constexpr int MaxPathDepth = 5;
constexpr float RockSpeed = 40.0f;  // units per second for a velocity of length 1
constexpr float RockLift = 0.2f;    // a rock's centre above the floor
constexpr float RockReachSq = 2.0f;
constexpr float HeadHeight = 2.2f;  // above the feet
constexpr float HeadHalfSize = 0.5f;

void Play(int slot, const float* at, float rate, float volume) {
    if (slot >= 0 && !SoundIsPlaying(slot)) PlaySoundAt(slot, at, rate, volume);
}

int NextCycle(int cycle) { return (cycle + 1) % 4; }

float Wrap(float a) {
    if (a <= -Pi) return a + TwoPi;
    if (a > Pi) return a - TwoPi;
    return a;
}

int RetreatSidestepState() { return AnimSidestep + 10; }

void Cry(Monster& monster) {
    MonsterSoundCycle = NextCycle(MonsterSoundCycle);
    Play(MonsterSounds[MonsterSoundCycle], monster.position.data(), 0.9f + 0.1f * RandomSigned(), 1.0f);
}

void StartCharge(Monster& monster) {
    behaviourState(monster) = AnimAttack;
    setAnimation(monster, AnimAttack, true, -0.75f);
    Cry(monster);
}

void StartRetreat(Monster& monster) {
    behaviourState(monster) = AnimDuckwalk;
    setAnimation(monster, AnimDuckwalk, true, -0.5f);
}

void GoDormant(Monster& monster) {
    resetMonsterToStanding(monster);
    behaviourState(monster) = 0;
}

// Takes 1 to 5 coins; false when that killed the player.
bool Hit(Monster& monster) {
    Cry(monster);
    CoinCount -= 1 + RandomIndex(5);
    bool alive = true;
    if (CoinCount < 0) {
        StateEndTime = GameClock + 10.0f;
        CoinCount = 3;
        GameState = Dead;
        PlaySong("durge.mid");
        alive = false;
    } else {
        Play(CoinsSound, monster.position.data(), 1.0f, 1.0f);
    }
    StartRetreat(monster);
    UpdateHud();
    return alive;
}

struct Intent {
    float tx = 0.0f, tz = 0.0f;
    float speed = 0.0f;
    float rate = 1.0f;
    float offset = 0.0f;
    bool moves = false;
};

void Move(Monster& monster, CaveCell*& cell, const Intent& intent, float dt) {
    float ux = intent.tx - monster.position.x, uz = intent.tz - monster.position.z;
    if (const float len = std::hypot(ux, uz); len != 0.0f) {
        ux /= len;
        uz /= len;
    }
    float goal = std::atan2(ux, uz);
    if (goal > Pi) goal -= TwoPi;
    float& heading = monster.angles.y;
    heading = Wrap(heading + Wrap(goal - heading) * dt * 4.0f);

    const float h = heading + intent.offset;
    Vector3 q{monster.position.x + std::sin(h) * intent.speed * dt, monster.position.y,
              monster.position.z + std::cos(h) * intent.speed * dt};
    CaveCell* newCell = nullptr;
    int hit = -1;
    if (MoveInCell(*cell, monster.position, q, newCell, &hit) & CrossedPortal) {
        if (newCell) cell = newCell;
    } else if (hit >= 0 && hit < MaxWalls && monster.currentAnimation != AnimSidestep) {
        monster.sideOffset = isNearerFirstEnd(cell->walls[hit], q.x, q.z) ? QuarterTurn : -QuarterTurn;
        behaviourState(monster) =
            behaviourState(monster) == AnimDuckwalk ? RetreatSidestepState() : AnimSidestep;
        setAnimation(monster, AnimSidestep, false, -0.25f);
    }
    monster.position = {q.x, FloorHeight(q.x, q.z), q.z};
    makeEulerMatrix(monster.angles, monster.position, monster.matrix);
}

// Returns false once the player has died: the other monsters then wait for
// the restart instead of taking from its fresh three coins.
bool UpdateMonster(int i, float px, float pz, float& best, float dt) {
    Monster& monster = Monsters[i];
    int& state = behaviourState(monster);
    const float dx = monster.position.x - px, dz = monster.position.z - pz;
    const float d2 = dx * dx + dz * dz;
    if (d2 >= DormantSq) {
        if (state != 0) GoDormant(monster);
        return true;
    }
    if (d2 < best) {
        best = d2;
        NearestMonster = i;
    }
    if (!MonsterCells[i]) return true;

    // On the frame a state ends without a target of its own (a hit, a finished
    // sidestep of either kind) the monster holds still while the new
    // animation starts blending in.
    Intent intent;
    bool alive = true;
    if (state == AnimDead) {
        poseSkinnedModel(monster, dt);
        return true;
    } else if (state == AnimDuckwalk) {
        const Vector3 away = FarthestNeighbourCentre(MonsterCells[i]);
        intent = {away.x, away.z, 4.0f, 2.0f, 0.0f, true};
    } else if (state == RetreatSidestepState()) {
        if (monster.animationFinished) {
            StartRetreat(monster);
        } else {
            intent = {2.0f * monster.position.x - px,
                      2.0f * monster.position.z - pz,
                      2.0f,
                      2.0f,
                      monster.sideOffset,
                      true};
        }
    } else if (d2 >= ChargeSq) {
        int found = 0;
        const CaveCell* step = FindStepToPlayer(MonsterCells[i], 0, found);
        intent = {monster.position.x, monster.position.z, 3.0f, 3.0f, 0.0f, true};
        if (step) {
            intent.tx = step->x + 5.0f;
            intent.tz = step->z + 5.0f;
        }
        if (state != AnimWalking) {
            state = AnimWalking;
            setAnimation(monster, AnimWalking, true, -0.25f);
        }
    } else if (d2 >= HitSq && state == AnimSidestep) {
        if (monster.animationFinished)
            StartCharge(monster);
        else
            intent = {px, pz, 2.0f, 2.0f, monster.sideOffset, true};
    } else if (d2 >= HitSq) {
        intent = {px, pz, 4.0f, 4.0f, 0.0f, true};
        if (state != AnimAttack) StartCharge(monster);
    } else {
        alive = Hit(monster);
    }

    if (intent.moves) Move(monster, MonsterCells[i], intent, dt);
    poseSkinnedModel(monster, dt * intent.rate);
    return alive;
}

bool IsRockTarget(int state) { return state != 0 && (state == AnimWalking || state == AnimAttack); }

void ImpactSound(StaticModel& rock, float s2) {
    if (s2 <= 0.2f) return;
    const float s = std::sqrt(s2);
    ScrunchSoundCycle = NextCycle(ScrunchSoundCycle);
    Play(ScrunchSounds[ScrunchSoundCycle], rock.position.data(), 0.5f * s, 0.1f * s);
}

}  // namespace

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

const CaveCell* FindStepToPlayer(const CaveCell* cell, int depth, int& foundDepth) {
    ++PathSearchCalls;
    if (cell == PlayerCell) {
        foundDepth = depth;
        return cell;
    }
    const int next = depth + 1;
    int best = MaxPathDepth + 1, bestIndex = -1;
    const int count = cell ? std::clamp<int>(cell->connectionCount, 0, MaxConnections) : 0;
    for (int k = 0; k < count; ++k) {
        int f = MaxPathDepth + 1;
        if (next <= MaxPathDepth && cell->neighbours[k]) FindStepToPlayer(cell->neighbours[k], next, f);
        if (f < best) {
            best = f;
            bestIndex = k;
        }
    }
    foundDepth = best;
    return bestIndex >= 0 ? cell->neighbours[bestIndex] : nullptr;
}

Vector3 FarthestNeighbourCentre(const CaveCell* cell) {
    if (!cell) return PlayerPos;
    float x = cell->x + 5.0f, z = cell->z + 5.0f;
    float farthest = -1.0f;
    for (int k = 0; k < std::clamp<int>(cell->connectionCount, 0, MaxConnections); ++k) {
        const CaveCell* n = cell->neighbours[k];
        if (!n) continue;
        const float dx = n->x + 5.0f - PlayerPos.x, dz = n->z + 5.0f - PlayerPos.z;
        if (dx * dx + dz * dz > farthest) {
            farthest = dx * dx + dz * dz;
            x = n->x + 5.0f;
            z = n->z + 5.0f;
        }
    }
    return {x, FloorHeight(x, z), z};
}

void UpdateMonsters() {
    const float dt = FrameTime;
    NearestMonster = -1;
    float best = 3000.0f;
    for (int i = 0; i < std::min(MonsterCount, MaxMonsters); ++i)
        if (!UpdateMonster(i, PlayerPos.x, PlayerPos.z, best, dt)) break;
}

ItemNode* UpdateFlyingRock(ItemNode* node) {
    if (!node) return nullptr;
    ItemNode* const next = node->next;
    CaveCell* const startCell = node->cell;
    if (!startCell || !node->object) {
        removeItem(FlyingRocks, node);
        return next;
    }
    StaticModel& rock = *node->object;
    const float dt = FrameTime;
    Vector3& v = rock.velocity;
    Vector3 q{rock.position.x + v.x * dt * RockSpeed, rock.position.y + v.y * dt * RockSpeed,
              rock.position.z + v.z * dt * RockSpeed};

    CaveCell* newCell = nullptr;
    int hit = -1;
    bool bounced = false;
    if (MoveInCell(*startCell, rock.position, q, newCell, &hit) & CrossedPortal) {
        if (newCell) node->cell = newCell;
    } else if (hit >= 0 && hit < MaxWalls) {
        v = {v.x * 0.8f, v.y * 0.8f, v.z * 0.8f};
        bounced = true;
        reflectAcrossSegment(startCell->walls[hit], v);
    }

    for (int i = 0; i < std::min(MonsterCount, MaxMonsters); ++i) {
        Monster& monster = Monsters[i];
        if (!IsRockTarget(behaviourState(monster))) continue;
        const float dx = monster.position.x - q.x, dz = monster.position.z - q.z;
        if (dx * dx + dz * dz >= RockReachSq) continue;
        if (std::fabs(q.y - monster.position.y - HeadHeight) < HeadHalfSize) {
            ++RockHeadHits;
            behaviourState(monster) = AnimDead;
            setAnimation(monster, AnimDead, false, -0.75f);
            Play(KnockoutSound, monster.position.data(), 1.0f, 1.0f);
        } else {
            ++RockBodyHits;
            StartRetreat(monster);
        }
        v = {-0.5f * v.x, -0.25f, -0.5f * v.z};
    }

    const float s2 = dot(v, v);
    const float floor = FloorHeight(q.x, q.z) + RockLift;
    if (q.y < floor) {
        q.y = floor;
        if (v.y < 0.0f) v.y *= -0.8f;
        ImpactSound(rock, s2);
    } else if (q.y > floor + CeilingHeight) {
        q.y = floor + CeilingHeight;
        if (v.y > 0.0f) v.y *= -1.2f;
        ImpactSound(rock, s2);
    } else if (bounced) {
        ImpactSound(rock, s2);
    }

    rock.position = q;
    rock.angles.x = q.z;
    rock.angles.z = q.x;
    v = {v.x * (1.0f - dt), v.y * (1.0f - dt) - dt, v.z * (1.0f - dt)};

    if (s2 < 0.01f) {
        rock.position.y = FloorHeight(rock.position.x, rock.position.z) + RockLift;
        makeEulerMatrix(rock.angles, rock.position, rock.matrix);
        appendItem(startCell->items, ItemRock, &rock);
        removeItem(FlyingRocks, node);
    }
    return next;
}
