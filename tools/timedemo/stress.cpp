#include "stress.h"

#include "app/shell.h"
#include "app/utilities.h"
#include "cave/cave_cell.h"
#include "cave/level_build.h"
#include "game/game_state.h"
#include "game/media_loading.h"
#include "game/monsters.h"
#include "game/player.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float Pi = 3.14159265f;
constexpr float HalfView = 20.0f * Pi / 180.0f;  // inside the narrowest view of 4:3 and wider
constexpr float Nearest = 20.0f, Farthest = 45.0f;
constexpr int Headings = 16;
constexpr int RethrowFrames = 90;

struct View {
    CaveCell* cell = nullptr;
    float heading = 0.0f;
    int seen = 0;
};

float CentreX(const CaveCell& c) { return c.x + 0.5f * CellSize; }
float CentreZ(const CaveCell& c) { return c.z + 0.5f * CellSize; }

// The cells the render walk reaches from `from`, by least depth.
int WalkedCells(CaveCell* from, CaveCell** out, int capacity) {
    int count = 0;
    for (CaveCell* cell = CellList.head; cell; cell = cell->next) cell->walkDepth = 255;
    from->walkDepth = 0;
    out[count++] = from;
    for (int at = 0; at < count; ++at) {
        CaveCell* cell = out[at];
        if (cell->walkDepth > 5) continue;
        for (int k = 0; k < std::min<int>(cell->connectionCount, MaxConnections); ++k) {
            CaveCell* next = cell->neighbours[k];
            if (!next || next->walkDepth != 255 || count >= capacity) continue;
            next->walkDepth = static_cast<std::uint8_t>(cell->walkDepth + 1);
            out[count++] = next;
        }
    }
    return count;
}

// Walked cells whose centre lies ahead within the view and the range.
int CellsInView(const View& view, CaveCell** walked, int walkedCount, CaveCell** out) {
    int count = 0;
    const float px = CentreX(*view.cell), pz = CentreZ(*view.cell);
    for (int i = 0; i < walkedCount; ++i) {
        const float dx = CentreX(*walked[i]) - px, dz = CentreZ(*walked[i]) - pz;
        const float d = std::hypot(dx, dz);
        if (d < Nearest || d > Farthest) continue;
        float off = std::atan2(dx, dz) - view.heading;
        while (off > Pi) off -= 2.0f * Pi;
        while (off < -Pi) off += 2.0f * Pi;
        if (std::fabs(off) <= HalfView) out[count++] = walked[i];
    }
    return count;
}

int CountCells() {
    int n = 0;
    for (CaveCell* cell = CellList.head; cell; cell = cell->next) ++n;
    return n;
}

CaveCell* Walked[CellTableSize];
CaveCell* Seen[CellTableSize];

}  // namespace

bool SetUpStress(std::vector<std::string>& warnings) {
    int largest = -1, largestCells = 0;
    for (int level = 0; level < LevelCount; ++level) {
        LevelIndex = level;
        StartLevel();
        if (!IsRunning) return false;
        const int cells = CountCells();
        if (cells > largestCells) {
            largest = level;
            largestCells = cells;
        }
    }
    if (largest < 0) {
        warnings.push_back("--stress: no level was built");
        return false;
    }
    LevelIndex = largest;
    StartLevel();

    // The views that see the most cells; the seed picks among the best few.
    View best[4];
    for (CaveCell* cell = CellList.head; cell; cell = cell->next) {
        const int walked = WalkedCells(cell, Walked, CellTableSize);
        for (int h = 0; h < Headings; ++h) {
            View view{cell, 2.0f * Pi * static_cast<float>(h) / Headings, 0};
            view.seen = CellsInView(view, Walked, walked, Seen);
            if (view.seen <= best[3].seen) continue;
            int at = 3;
            for (; at > 0 && best[at - 1].seen < view.seen; --at) best[at] = best[at - 1];
            best[at] = view;
        }
    }
    int choices = 0;
    while (choices < 4 && best[choices].seen > 0) ++choices;
    if (choices == 0) {
        warnings.push_back("--stress: no view of the largest level has cells ahead");
        return false;
    }
    const View view = best[RandomIndex(choices)];
    const int walked = WalkedCells(view.cell, Walked, CellTableSize);
    const int seen = CellsInView(view, Walked, walked, Seen);

    PlayerCell = view.cell;
    PlayerPos.x = CentreX(*view.cell);
    PlayerPos.z = CentreZ(*view.cell);
    ViewYaw = view.heading;

    MonsterCount = MaxMonsters;
    for (int i = 0; i < MaxMonsters; ++i) {
        Monster& monster = Monsters[i];
        CaveCell* cell = Seen[i % seen];
        resetMonsterToStanding(monster);
        const float x = CentreX(*cell) + 2.5f * RandomSigned(), z = CentreZ(*cell) + 2.5f * RandomSigned();
        monster.position = {x, FloorHeight(x, z), z};
        monster.angles = {0.0f, std::atan2(PlayerPos.x - x, PlayerPos.z - z), 0.0f};
        makeEulerMatrix(monster.angles, monster.position, monster.matrix);
        MonsterCells[i] = cell;
        if (AnimWalking >= 0) {
            behaviourState(monster) = AnimWalking;
            const float length = monster.animations ? monster.animations[AnimWalking].length : 1.0f;
            setAnimation(monster, AnimWalking, true, 0.5f * (RandomSigned() + 1.0f) * length);
        }
    }
    KeepRocksFlying(0);
    return true;
}

void KeepRocksFlying(int frame) {
    if (frame % RethrowFrames != 0 || !PlayerCell) return;
    // Rocks at rest lie in a cell's items; thrown, they leave it.
    for (CaveCell* cell = CellList.head; cell; cell = cell->next) {
        for (ItemNode* node = cell->items.head; node;) {
            ItemNode* next = node->next;
            if (node->kind == ItemRock && node->object) {
                StaticModel& rock = *node->object;
                const float h = ViewYaw + 0.6f * RandomSigned();
                rock.position = {PlayerPos.x, FloorHeight(PlayerPos.x, PlayerPos.z) + 1.5f, PlayerPos.z};
                rock.velocity = {std::sin(h) * 0.7f, 0.4f + 0.2f * RandomSigned(), std::cos(h) * 0.7f};
                if (ItemNode* flying = appendItem(FlyingRocks, ItemRock, &rock)) {
                    flying->cell = PlayerCell;
                    removeItem(cell->items, node);
                }
            }
            node = next;
        }
    }
}
