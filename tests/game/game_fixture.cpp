#include "game_fixture.h"

#include "app/input.h"
#include "app/media_path.h"
#include "app/shell.h"
#include "cave/cave_map.h"
#include "cave/level_build.h"
#include "game/game_state.h"
#include "game/media_loading.h"
#include "game/monsters.h"
#include "game/player.h"
#include "platform/headless/headless.h"
#include "support/level_maps.h"

#include <gtest/gtest.h>

// Winding corridors with room for everything the first level places.
const std::initializer_list<const char*> FirstLevel = {
    "################", "#.....##########", "#.####.#########", "#.#####.....####",
    "#.#########.####", "#.#########.####", "##.#######.#####", "###.......######",
    "###########.####", "############.###", "#############.##", "##############.#",
    "##############.#", "#############.##", "################", "################",
};

void GameTest::start(std::initializer_list<const char*> rows, bool lights) {
    folder_.writeMedia("cavemap1.bmp", levelBitmap(FirstLevel));
    folder_.writeMedia("cavemap2.bmp", levelBitmap(rows));
    folder_.writeMedia("cavemap3.bmp", levelBitmap(rows));
    folder_.writeMedia("game.ini", lights ? "[Game]\nLights=1\n" : "[Game]\nLights=0\n");
    platform::headless::SetClock(1000);
    const float background[4] = {0.05f, 0.05f, 0.05f, 0.0f};
    ASSERT_TRUE(InitApplication(background));
    ASSERT_TRUE(LoadGameMedia());

    // On to the test's own level, with nothing placed in it.
    freeAllCells();
    LevelIndex = 1;
    MonsterCount = RocksToPlace = ChestsToPlace = 0;
    ASSERT_TRUE(BuildLevel());
    for (CaveCell* cell = CellList.head; cell; cell = cell->next) clearItems(cell->items);
    GameState = Playing;
    GameClock = 100.0f;
    HopEndTime = StepPhase = 0.0f;  // no hop, bob or throw left over from an earlier test
    LastThrowTime = -1000.0f;
    standAt(5.0f, 5.0f);
}

void GameTest::TearDown() { ReleaseProgramObjects(); }

CaveCell* GameTest::cellAt(int column, int row) { return CellTable[row * LevelMap.width + column]; }

void GameTest::standAt(float x, float z) {
    PlayerPos = {x, FloorHeight(x, z) + 2.1f, z};
    PlayerCell = cellAt(static_cast<int>(x / 10.0f), static_cast<int>(z / 10.0f));
    ViewYaw = 1.5707964f;
    PointerX = PointerY = 0.0f;
}

void GameTest::place(StaticModel& model, ItemKind kind, float x, float z) {
    model.matrix[12] = x;
    model.matrix[13] = FloorHeight(x, z);
    model.matrix[14] = z;
    appendItem(cellAt(static_cast<int>(x / 10.0f), static_cast<int>(z / 10.0f))->items, kind, &model);
}

void GameTest::updates(int count, float seconds) {
    for (int i = 0; i < count; ++i) {
        FrameTime = seconds;
        UpdateGame();
    }
}
