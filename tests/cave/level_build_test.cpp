#include "cave/level_build.h"
#include "app/media_path.h"
#include "app/shell.h"
#include "app/utilities.h"
#include "cave/cave_cell.h"
#include "cave/cave_map.h"
#include "game/game_state.h"
#include "game/media_loading.h"
#include "game/monsters.h"
#include "game/player.h"
#include "platform/headless/headless.h"
#include "support/gl_context.h"
#include "support/level_maps.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

namespace {

namespace headless = platform::headless;

// Winding corridors with a loop and a tail: 32 open cells on a 16 x 16 grid,
// the first of them at column 1, row 1.
const std::initializer_list<const char*> Caves = {
    "################", "#.....##########", "#.####.#########", "#.#####.....####",
    "#.#########.####", "#.#########.####", "##.#######.#####", "###.......######",
    "###########.####", "############.###", "#############.##", "##############.#",
    "##############.#", "#############.##", "################", "################",
};

struct Placed {
    const CaveCell* cell;
    ItemKind kind;
    const StaticModel* model;
};

std::vector<Placed> PlacedItems() {
    std::vector<Placed> items;
    for (const CaveCell* cell = CellList.head; cell; cell = cell->next)
        for (const ItemNode* node = cell->items.head; node; node = node->next)
            items.push_back({cell, node->kind, node->object});
    return items;
}

int CountOf(ItemKind kind) {
    int count = 0;
    for (const Placed& item : PlacedItems()) count += item.kind == kind;
    return count;
}

class LevelBuildTest : public GameFolderTest {
protected:
    void SetUp() override { ASSERT_TRUE(context_.ok()); }
    void TearDown() override { freeAllCells(); }

    void writeLevels(int count, std::initializer_list<const char*> rows = Caves) {
        for (int i = 1; i <= count; ++i)
            folder_.writeMedia("cavemap" + std::to_string(i) + ".bmp", levelBitmap(rows));
        LevelCount = FindLevelFiles();
    }

    OffscreenContext context_{64, 48};
};

TEST_F(LevelBuildTest, PlayerStartsAtTheFirstOpenCellWhateverTheDraws) {
    writeLevels(1);
    for (std::uint32_t seed : {1u, 2u, 977u}) {
        SeedRandom(seed);
        freeAllCells();
        ASSERT_TRUE(BuildLevel());
        ASSERT_NE(PlayerCell, nullptr);
        EXPECT_EQ(PlayerCell->index, 1 * 16 + 1);
        EXPECT_EQ(PlayerPos.x, 15.0f);
        EXPECT_EQ(PlayerPos.z, 15.0f);
    }
}

TEST_F(LevelBuildTest, EveryOpenCellIsBuiltAndEachThingHasACellOfItsOwn) {
    writeLevels(1);
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        SeedRandom(seed);
        freeAllCells();
        ASSERT_TRUE(BuildLevel());
        int cells = 0;
        for (const CaveCell* cell = CellList.head; cell; cell = cell->next) ++cells;
        EXPECT_EQ(cells, 32);

        std::set<const CaveCell*> taken;
        for (const Placed& item : PlacedItems())
            EXPECT_TRUE(taken.insert(item.cell).second) << "seed " << seed;
        for (int i = 0; i < MonsterCount; ++i)
            EXPECT_TRUE(taken.insert(MonsterCells[i]).second) << "seed " << seed;
        EXPECT_EQ(taken.size(), 18u) << "detector, transporter, 4 chests, 8 rocks, 4 monsters";
    }
}

TEST_F(LevelBuildTest, ThingsLieNearTheirCellCentresOnTheFloor) {
    writeLevels(1);
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        SeedRandom(seed);
        freeAllCells();
        ASSERT_TRUE(BuildLevel());
        for (const Placed& item : PlacedItems()) {
            const Matrix4& m = item.model->matrix;
            const float spread = item.kind == ItemTransporter ? 2.0f : 3.0f;
            const float lift = item.kind == ItemRock ? 0.2f : 0.0f;
            EXPECT_LE(std::fabs(m[12] - (item.cell->x + 5.0f)), spread);
            EXPECT_LE(std::fabs(m[14] - (item.cell->z + 5.0f)), spread);
            EXPECT_FLOAT_EQ(m[13], FloorHeight(m[12], m[14]) + lift);
            if (item.kind == ItemDetector) {
                EXPECT_LT(item.cell->x, 20.0f) << "column below 16 / 8";
                EXPECT_LT(item.cell->z, 20.0f) << "row below 16 / 8";
            }
        }
        for (int i = 0; i < MonsterCount; ++i) {
            EXPECT_EQ(Monsters[i].position.x, MonsterCells[i]->x + 5.0f);
            EXPECT_EQ(Monsters[i].position.z, MonsterCells[i]->z + 5.0f);
            EXPECT_EQ(Monsters[i].matrix[13], FloorHeight(Monsters[i].position.x, Monsters[i].position.z));
        }
        EXPECT_EQ(CountOf(ItemDetector), 1);
    }
}

TEST_F(LevelBuildTest, StartLevelSetsTheCountsForTheLevel) {
    writeLevels(13);
    StaticModel carried[3];
    for (StaticModel& rock : carried) appendItem(CarriedRocks, ItemRock, &rock);
    appendItem(FlyingRocks, ItemRock, &RockModels[7]);
    GameState = Dead;

    LevelIndex = 2;
    StartLevel();
    EXPECT_EQ(MonsterCount, 6);
    EXPECT_EQ(RocksToPlace, 3);
    EXPECT_EQ(ChestsToPlace, 2);
    EXPECT_EQ(CountOf(ItemRock), 3);
    EXPECT_EQ(CountOf(ItemChest), 2);
    EXPECT_EQ(CountOf(ItemDetector), 0) << "only the first level has the detector";
    EXPECT_EQ(CountOf(ItemTransporter), 1);
    EXPECT_EQ(FlyingRocks.count, 0);
    EXPECT_EQ(FlyingRocks.head, nullptr);
    EXPECT_EQ(CarriedRocks.count, 3);
    EXPECT_EQ(GameState, Playing);

    LevelIndex = 12;
    StartLevel();
    EXPECT_EQ(MonsterCount, 16);
    EXPECT_EQ(RocksToPlace, 0);
    EXPECT_EQ(ChestsToPlace, 0);
    EXPECT_EQ(CountOf(ItemRock) + CountOf(ItemChest), 0);
    std::set<const CaveCell*> monsterCells(MonsterCells, MonsterCells + 16);
    EXPECT_EQ(monsterCells.size(), 16u);
}

TEST_F(LevelBuildTest, StartLevelPutsTheMonstersBackToStanding) {
    writeLevels(2);
    AnimStanding = 2;
    Animation animations[3] = {};
    animations[2].loop = true;
    animations[2].time = 1.5f;
    Monsters[0].animations = animations;
    Monsters[0].animationCount = 3;
    Monsters[0].animationFinished = true;
    Monsters[0].loaded = 0;  // dormant
    LevelIndex = 1;
    StartLevel();
    EXPECT_EQ(behaviourState(Monsters[0]), 2);
    EXPECT_EQ(Monsters[0].currentAnimation, 2);
    EXPECT_FALSE(Monsters[0].animationFinished);
    EXPECT_FALSE(animations[2].loop);
    EXPECT_EQ(animations[2].time, 0.0f);
    EXPECT_EQ(behaviourState(Monsters[4]), 2) << "the fifth monster is in play from the second level";
    Monsters[0] = Monster{};
}

TEST_F(LevelBuildTest, RefusedMapIsReportedByNameAndBuildsNothing) {
    writeLevels(1, {"######", "#...##", "#...##", "######", "######", "######", "######", "######"});
    EXPECT_FALSE(BuildLevel());
    EXPECT_EQ(CellList.head, nullptr);
    EXPECT_TRUE(LevelMap.cells.empty());
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(
        headless::MessageBoxes()[0].text,
        "Bad level map: cavemap1.bmp: the open cell at column 2, row 1 has 5 open neighbours, more than 4. "
        "The application will continue.");
}

TEST_F(LevelBuildTest, TooSmallForItsThingsIsRefusedInsteadOfLoopingForEver) {
    writeLevels(
        1, {"########", "#.......", "########", "########", "########", "########", "########", "########"});
    EXPECT_FALSE(BuildLevel());
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_NE(headless::MessageBoxes()[0].text.find("7 open cells, fewer than the 18 things"),
              std::string::npos);
}

TEST_F(LevelBuildTest, MissingMapFailsSilently) {
    std::strcpy(LevelFiles[0], "cavemap9.bmp");
    EXPECT_FALSE(BuildLevel());
    EXPECT_TRUE(headless::MessageBoxes().empty());
    LevelIndex = -1;
    EXPECT_FALSE(BuildLevel());
}

TEST_F(LevelBuildTest, StartLevelOnAMapThatCannotBeBuiltEndsTheGame) {
    writeLevels(1);
    ASSERT_TRUE(BuildLevel());
    IsRunning = true;
    std::strcpy(LevelFiles[1], "cavemap9.bmp");
    LevelIndex = 1;
    StartLevel();
    EXPECT_FALSE(IsRunning);
    EXPECT_EQ(PlayerCell, nullptr);
    EXPECT_EQ(CellList.head, nullptr);
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(headless::MessageBoxes()[0].text, "Could not load media. The application cannot continue.");
}

}  // namespace
