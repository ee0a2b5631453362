#include "cave/level_build.h"

#include "app/media_path.h"
#include "app/shell.h"
#include "app/utilities.h"
#include "cave/cave_cell.h"
#include "cave/cave_map.h"
#include "cave/level_check.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/media_loading.h"
#include "game/monsters.h"
#include "game/player.h"

#include <algorithm>
#include <string>

int RocksToPlace = RockModelCount;
int ChestsToPlace = ChestModelCount;

namespace {

constexpr std::uint8_t PlacedCode = 1;  // marks a cell that already holds something

struct Placement {
    CaveCell* cell;
    float cx, cz;  // the cell's centre
};

bool IsOpen(int column, int row) { return isOpenCell(LevelMap, column, row); }

// A random open cell among the first `columns` x `rows`, marked as taken. The
// level check guarantees one is left; without one the result has no cell.
Placement pickOpenCell(int columns, int rows) {
    const CaveMap& map = LevelMap;
    bool anyLeft = false;
    for (int r = 0; r < std::min(rows, map.height) && !anyLeft; ++r)
        for (int c = 0; c < std::min(columns, map.width) && !anyLeft; ++c) anyLeft = IsOpen(c, r);
    if (!anyLeft) return {nullptr, 0.0f, 0.0f};

    int column = 0, row = 0;
    do {
        column = RandomIndex(columns);
        row = RandomIndex(rows);
    } while (!IsOpen(column, row));
    const int index = row * map.width + column;
    LevelMap.cells[static_cast<std::size_t>(index)] = PlacedCode;
    const float cx =
        static_cast<float>(column) * map.cellSizeX + 0.5f * map.cellSizeX + static_cast<float>(map.originX);
    const float cz =
        static_cast<float>(row) * map.cellSizeZ + 0.5f * map.cellSizeZ + static_cast<float>(map.originZ);
    return {CellTable[index], cx, cz};
}

// x, z within `spread` of the centre, y on the floor (plus `lift`), and a yaw.
void placeScattered(const Placement& at, float spread, float lift, StaticModel& model) {
    const float x = at.cx + spread * RandomSigned();
    const float z = at.cz + spread * RandomSigned();
    const float y = FloorHeight(x, z) + lift;
    const float yaw = RandomSigned();
    makeEulerMatrix({0.0f, yaw, 0.0f}, {x, y, z}, model.matrix);
}

bool placeThings() {
    const CaveMap& map = LevelMap;
    if (LevelIndex == 0) {
        const Placement at = pickOpenCell(map.width / 8, map.height / 8);
        if (!at.cell) return false;
        placeScattered(at, 3.0f, 0.0f, DetectorModel);
        appendItem(at.cell->items, ItemDetector, &DetectorModel);
    }

    const Placement transporter = pickOpenCell(map.width, map.height);
    if (!transporter.cell) return false;
    const float x = transporter.cx + 2.0f * RandomSigned();
    const float z = transporter.cz + 2.0f * RandomSigned();
    TransporterModel.matrix[12] = x;
    TransporterModel.matrix[13] = FloorHeight(x, z);
    TransporterModel.matrix[14] = z;
    appendItem(transporter.cell->items, ItemTransporter, &TransporterModel);

    for (int i = 0; i < std::min(ChestsToPlace, ChestModelCount); ++i) {
        const Placement at = pickOpenCell(map.width, map.height);
        if (!at.cell) return false;
        placeScattered(at, 3.0f, 0.0f, ChestModels[i]);
        appendItem(at.cell->items, ItemChest, &ChestModels[i]);
    }
    for (int i = 0; i < std::min(RocksToPlace, RockModelCount); ++i) {
        const Placement at = pickOpenCell(map.width, map.height);
        if (!at.cell) return false;
        placeScattered(at, 3.0f, 0.2f, RockModels[i]);  // rocks rest a little above the floor
        appendItem(at.cell->items, ItemRock, &RockModels[i]);
    }
    for (int i = 0; i < std::min(MonsterCount, MaxMonsters); ++i) {
        const Placement at = pickOpenCell(map.width, map.height);
        if (!at.cell) return false;
        MonsterCells[i] = at.cell;
        const Vector3 feet{at.cx, FloorHeight(at.cx, at.cz), at.cz};
        Monsters[i].position = feet;
        Monsters[i].matrix[12] = feet.x;
        Monsters[i].matrix[13] = feet.y;
        Monsters[i].matrix[14] = feet.z;
    }
    return true;
}

int thingsToPlace() {
    return (LevelIndex == 0 ? 1 : 0) + 1 + std::min(ChestsToPlace, ChestModelCount) +
           std::min(RocksToPlace, RockModelCount) + std::min(MonsterCount, MaxMonsters);
}

}  // namespace

bool BuildLevel() {
    if (LevelIndex < 0 || LevelIndex >= MaxLevelFiles) return false;
    const char* fileName = LevelFiles[LevelIndex];
    if (!LoadCaveMap(fileName, LevelMap)) return false;

    std::string reason;
    if (!checkLevelGrid(LevelMap.cells.data(), LevelMap.width, LevelMap.height,
                        {thingsToPlace(), LevelIndex == 0}, reason)) {
        LevelMap.cells.clear();
        ShowMessage("Bad level map:", (std::string(fileName) + ": " + reason + ".").c_str());
        return false;
    }

    const CaveMap& map = LevelMap;
    for (int r = 0; r < map.height; ++r) {
        for (int c = 0; c < map.width; ++c) {
            if (!IsOpen(c, r)) continue;
            CaveCell* cell = getOrCreateCell(r * map.width + c, static_cast<float>(c) * map.cellSizeX,
                                             static_cast<float>(r) * map.cellSizeZ);
            if (!cell || !compileCell(*cell, map)) return false;
        }
    }

    if (!placeThings()) return false;
    PlayerCell = CellList.head;
    PlayerPos.x = PlayerCell->x + 5.0f;
    PlayerPos.z = PlayerCell->z + 5.0f;
    return true;
}

void StartLevel() {
    MonsterCount = std::min(LevelIndex + 4, MaxMonsters);
    RocksToPlace = std::max(RockModelCount - CarriedRocks.count - LevelIndex, 0);
    ChestsToPlace = std::max(ChestModelCount - LevelIndex, 0);
    freeAllCells();
    clearItems(FlyingRocks);
    for (int i = 0; i < MonsterCount; ++i) resetMonsterToStanding(Monsters[i]);

    if (!BuildLevel()) {
        // Nothing is left to stand in: stop rather than play on in freed cells.
        freeAllCells();
        PlayerCell = nullptr;
        std::fill(std::begin(MonsterCells), std::end(MonsterCells), nullptr);
        ShowFatalError();
        return;
    }
    GameState = Playing;
    UpdateHud();
}
