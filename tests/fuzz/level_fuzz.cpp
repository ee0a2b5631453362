// libFuzzer entry: a level bitmap through the whole level build, as the
// first level and as a later one (they ask for different placements). The
// build must refuse it or leave a cave the player can start in. No GL
// context: the cells are compiled with no display lists.

#include "app/media_path.h"
#include "app/utilities.h"
#include "cave/cave_cell.h"
#include "cave/cave_map.h"
#include "cave/level_build.h"
#include "fuzz_folder.h"
#include "game/game_state.h"
#include "game/media_loading.h"
#include "game/monsters.h"
#include "game/player.h"
#include "platform/headless/headless.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

const FuzzFolder Folder;

void buildAs(int levelIndex) {
    LevelIndex = levelIndex;
    MonsterCount = std::min(levelIndex + 4, MaxMonsters);
    RocksToPlace = std::max(RockModelCount - levelIndex, 0);
    ChestsToPlace = std::max(ChestModelCount - levelIndex, 0);
    freeAllCells();
    PlayerCell = nullptr;
    if (BuildLevel()) {
        if (!PlayerCell || PlayerCell != CellList.head) std::abort();
        if (PlayerCell->index < 0 || PlayerCell->index >= LevelMap.width * LevelMap.height) std::abort();
        for (int i = 0; i < MonsterCount; ++i)
            if (!MonsterCells[i]) std::abort();
    }
    freeAllCells();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Folder.write("cavemap1.bmp", data, size);
    std::strcpy(LevelFiles[0], "cavemap1.bmp");
    LevelCount = 1;
    SeedRandom(static_cast<std::uint32_t>(size));
    buildAs(0);
    buildAs(1);
    platform::headless::ClearMessageBoxes();  // the headless backend keeps every box
    return 0;
}
