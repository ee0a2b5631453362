#include "game/player.h"

#include "app/input.h"
#include "app/shell.h"
#include "app/utilities.h"
#include "audio/sound_mixer.h"
#include "cave/cave_cell.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/media_loading.h"
#include "game/monsters.h"
#include "math/matrix.h"

#include <algorithm>
#include <cmath>

Vector3 PlayerPos;
Vector3 ViewDir{0.0f, 0.0f, 1.0f};
const Vector3 WorldUp{0.0f, 1.0f, 0.0f};
CaveCell* PlayerCell = nullptr;
float ViewYaw = 0.0f;
float ViewPitch = 0.0f;
int CoinCount = 0;
bool HasDetector = false;
ItemList CarriedRocks;
float StepPhase = 0.0f;
float HopEndTime = 0.0f;
float HopHeight = 0.0f;
float LastThrowTime = -1000.0f;
float DialAngle = 0.0f;
int AnnouncedMonster = -1;
int StepSoundCycle = 0, ScrunchSoundCycle = 0;

namespace {

constexpr float Pi = 3.14159f;
constexpr float TwoPi = 6.28318f;
constexpr float WalkSpeed = 5.0f;
constexpr float SidestepSpeed = 2.5f;
constexpr float ReachSq = 4.0f;                // items within 2 units are reached
constexpr float ThrowWaitWithoutSound = 0.5f;  // seconds, the length throw.wav is made

// Plays the sound unless that slot is already playing.
void Play(int slot, const float* at, float rate, float volume) {
    if (slot >= 0 && !SoundIsPlaying(slot)) PlaySoundAt(slot, at, rate, volume);
}

const float* PositionOf(const StaticModel& model) { return &model.matrix.m[12]; }

int NextCycle(int cycle) { return (cycle + 1) % 4; }

float WrapAngle(float a) {
    if (a <= -Pi) return a + TwoPi;
    if (a > Pi) return a - TwoPi;
    return a;
}

// Positive when (x, z) is beyond the segment, on the side away from its cell.
float Side(const WallSegment& w, float x, float z) {
    return (x - w.x0) * (w.z1 - w.z0) - (z - w.z0) * (w.x1 - w.x0);
}

// Keeps (x, z) behind wall `w`: revert the coordinate that crossed it.
void Block(const WallSegment& w, const Vector3& from, float& x, float& z, int& flags) {
    if (Side(w, x, from.z) <= 0.0f) {
        z = from.z;
        flags |= RevertedZ;
    } else if (Side(w, from.x, z) <= 0.0f) {
        x = from.x;
        flags |= RevertedX;
    } else {
        x = from.x;
        z = from.z;
        flags |= RevertedX | RevertedZ;
    }
}

// Whether (x, z) lies on the side of the cell centre that direction d leads
// to. The centre lines belong to both sides: a point on one (where every
// level starts the player) must still be held by the passage walls.
bool InZone(int d, float x, float z, float cx, float cz) {
    switch (d) {
        case 0: return x <= cx && z <= cz;
        case 1: return z <= cz;
        case 2: return x >= cx && z <= cz;
        case 3: return x >= cx;
        case 4: return x >= cx && z >= cz;
        case 5: return z >= cz;
        case 6: return x <= cx && z >= cz;
        case 7: return x <= cx;
        default: return false;
    }
}

void PickUpItems() {
    ItemList& items = PlayerCell->items;
    for (ItemNode* node = items.head; node;) {
        ItemNode* next = node->next;
        StaticModel& object = *node->object;
        const float dx = object.matrix[12] - PlayerPos.x;
        const float dz = object.matrix[14] - PlayerPos.z;
        if (dx * dx + dz * dz < ReachSq) {
            switch (node->kind) {
                case ItemChest:
                    Play(CoinsSound, PositionOf(object), 1.0f, 1.0f);
                    CoinCount = std::min(CoinCount + 1 + RandomIndex(5), MaxCoins);
                    UpdateHud();
                    removeItem(items, node);
                    break;
                case ItemRock:
                    ScrunchSoundCycle = NextCycle(ScrunchSoundCycle);
                    Play(ScrunchSounds[ScrunchSoundCycle], PositionOf(object), 1.0f, 1.0f);
                    appendItem(CarriedRocks, ItemRock, &object);
                    removeItem(items, node);
                    break;
                case ItemDetector:
                    HasDetector = true;
                    Play(DetectorSound, PositionOf(object), 1.0f, 1.0f);
                    removeItem(items, node);
                    break;
                case ItemTransporter:
                    Play(DetectorSound, PositionOf(object), 0.5f, 1.0f);
                    GameState = LevelPassed;
                    StateEndTime = GameClock + 5.0f;
                    UpdateHud();
                    break;
            }
        }
        node = next;
    }
}

void Walk(float dt) {
    Vector3 q = PlayerPos;
    const Vector3 side = cross(ViewDir, WorldUp);
    if (KeyState[VK_UP] || KeyState[VK_DOWN]) {
        const float step = (KeyState[VK_UP] ? 1.0f : -1.0f) * WalkSpeed * dt;
        q = {q.x + ViewDir.x * step, q.y + ViewDir.y * step, q.z + ViewDir.z * step};
        StepPhase += 15.0f * dt;
    }
    if (KeyState[VK_RIGHT] || KeyState[VK_LEFT]) {
        const float step = (KeyState[VK_RIGHT] ? 1.0f : -1.0f) * SidestepSpeed * dt;
        q = {q.x + side.x * step, q.y + side.y * step, q.z + side.z * step};
        StepPhase += 7.0f * dt;
    }
    CaveCell* newCell = nullptr;
    if (MoveInCell(*PlayerCell, PlayerPos, q, newCell, nullptr) & CrossedPortal) PlayerCell = newCell;
    PlayerPos = q;
    PickUpItems();

    if (HopEndTime < GameClock) {
        if (StepPhase > TwoPi) {
            StepPhase -= TwoPi;
            const Vector3& last = PlayerBody.position;
            const float moved = length({PlayerPos.x - last.x, PlayerPos.y - last.y, PlayerPos.z - last.z});
            StepSoundCycle = NextCycle(StepSoundCycle);
            Play(StepSounds[StepSoundCycle], PlayerPos.data(), 1.0f + 0.5f * RandomSigned(),
                 moved / (dt * 50.0f));
        }
        PlayerPos.y += 0.05f * std::cos(StepPhase);
    }
}

// No rock while the last throw's sound would still be playing; timed here,
// because a mixer without a device never finishes a sound.
bool ThrowSoundOver() {
    const float length = SoundLength(ThrowSound);
    const float wait = length > 0.0f ? length : ThrowWaitWithoutSound;
    return GameClock >= LastThrowTime + wait || GameClock < LastThrowTime;
}

void Throw() {
    ItemNode* carried = CarriedRocks.head;
    if (!KeyState[VK_SPACE] || !carried || !ThrowSoundOver()) return;
    LastThrowTime = GameClock;
    StaticModel& rock = *carried->object;
    rock.position = {PlayerPos.x, PlayerPos.y + 0.25f, PlayerPos.z};
    rock.velocity = ViewDir;
    rock.matrix[12] = rock.position.x;
    rock.matrix[13] = rock.position.y;
    rock.matrix[14] = rock.position.z;
    PlayThrowSound(rock.position.data());
    if (ItemNode* flying = appendItem(FlyingRocks, ItemRock, &rock)) flying->cell = PlayerCell;
    removeItem(CarriedRocks, carried);
}

void CarryDetector(float dt) {
    multiplyAffine(PlayerBody.matrix, DetectorMount, DetectorModel.matrix);
    float a = std::atan2(ViewDir.x, ViewDir.z);
    if (a > Pi) a -= TwoPi;
    if (NearestMonster >= 0 && NearestMonster < MaxMonsters) {
        Monster& monster = Monsters[NearestMonster];
        if (NearestMonster != AnnouncedMonster && behaviourState(monster) != AnimDead) {
            AnnouncedMonster = NearestMonster;
            Play(DetectorSound, PositionOf(DetectorModel), 1.0f, 1.0f);
        }
        float b = std::atan2(monster.position.x - PlayerPos.x, monster.position.z - PlayerPos.z);
        if (b > Pi) b -= TwoPi;
        a = WrapAngle(a - b);
    }
    DialAngle = (DialAngle - dt * a) * (1.0f - dt);
    Matrix4 turn;
    setYawRotation(turn, DialAngle);
    multiplyAffine(DetectorModel.matrix, turn, DialModel.matrix);
}

}  // namespace

int MoveInCell(const CaveCell& cell, const Vector3& from, Vector3& to, CaveCell*& newCell, int* hitSegment) {
    float x = to.x, z = to.z;
    int flags = 0;
    const int connections = std::clamp<int>(cell.connectionCount, 0, MaxConnections);
    const int walls = std::clamp<int>(cell.wallCount, 0, MaxWalls);

    for (int j = 2 * connections; j < walls; ++j) {
        if (Side(cell.walls[j], x, z) <= 0.0f) continue;
        if (hitSegment) *hitSegment = j;
        Block(cell.walls[j], from, x, z, flags);
    }

    const float cx = cell.x + 5.0f, cz = cell.z + 5.0f;
    for (int k = 0; k < connections; ++k) {
        for (int j = 2 * k; j < 2 * k + 2 && j < walls; ++j) {
            if (Side(cell.walls[j], x, z) <= 0.0f || !InZone(cell.directions[k], x, z, cx, cz)) continue;
            if (hitSegment) *hitSegment = j;
            Block(cell.walls[j], from, x, z, flags);
        }
        if (Side(cell.portals[k], x, z) > 0.0f) {
            newCell = cell.neighbours[k];
            to.x = x;
            to.z = z;
            return flags | CrossedPortal;
        }
    }
    to.x = x;
    to.z = z;
    return flags;
}

void UpdatePlayer() {
    const float dt = FrameTime;
    ViewYaw -= 2.0f * PointerX * dt;
    ViewPitch = 0.5f * PointerY;
    ViewDir = {0.0f, 0.0f, 1.0f};
    rotateViewDir(ViewDir, ViewPitch, ViewYaw, 0.0f);

    PlayerPos.y = FloorHeight(PlayerPos.x, PlayerPos.z) + EyeHeight;

    if (KeyState[VK_SHIFT] && GameClock > HopEndTime) {
        HopEndTime = GameClock + 1.0f;
        HopHeight = 2.0f;
    } else if (KeyState[VK_CONTROL] && HopEndTime < GameClock) {
        HopEndTime = GameClock + 1.0f;
        HopHeight = -2.0f;
    }

    const bool moving = KeyState[VK_UP] || KeyState[VK_DOWN] || KeyState[VK_RIGHT] || KeyState[VK_LEFT];
    if (moving && PlayerCell) Walk(dt);

    if (GameClock < HopEndTime) PlayerPos.y += HopHeight * std::sin((HopEndTime - GameClock) * Pi);

    PlayerBody.position = PlayerPos;
    makeOrientedMatrix(ViewDir, WorldUp, PlayerPos, PlayerBody.matrix);

    Throw();
    if (HasDetector) CarryDetector(dt);
}
