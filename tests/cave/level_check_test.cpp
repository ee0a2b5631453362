#include "cave/level_check.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

// A grid from text rows: '.' open, anything else rock.
struct Grid {
    std::vector<std::uint8_t> cells;
    int width = 0, height = 0;

    Grid(std::initializer_list<const char*> rows) {
        for (const char* row : rows) {
            const std::string text(row);
            width = static_cast<int>(text.size());
            for (char c : text) cells.push_back(c == '.' ? 0 : 1);
            ++height;
        }
    }
    bool check(const LevelNeeds& needs, std::string& reason) const {
        return checkLevelGrid(cells.data(), width, height, needs, reason);
    }
};

constexpr LevelNeeds OneThing{1, false};

TEST(LevelCheckTest, CorridorsJunctionsAndSmallRoomsPass) {
    // A corridor bending down to a diagonal stair, and a 2 x 2 room joined at its corner.
    const Grid grid{
        "##########", "#.....####", "#.###.####", "#.####..##", "##.###..##", "###.######", "##########",
    };
    std::string reason = "stale";
    EXPECT_TRUE(grid.check({12, false}, reason)) << reason;
    EXPECT_TRUE(reason.empty());
}

TEST(LevelCheckTest, CellWithFiveOpenNeighboursIsRefusedWithItsPlace) {
    const Grid grid{
        "#####",
        "#...#",
        "#...#",
        "#####",
    };
    std::string reason;
    ASSERT_FALSE(grid.check(OneThing, reason));
    EXPECT_EQ(reason, "the open cell at column 2, row 1 has 5 open neighbours, more than 4");
}

TEST(LevelCheckTest, FourConnectionsWithAClosedCornerNeedNineWalls) {
    // The centre cell reaches N, NE, E and SE; its south-west corner is all rock.
    const Grid grid{
        "#..#",
        "#...",
        "##.#",
        "####",
    };
    std::string reason;
    ASSERT_FALSE(grid.check(OneThing, reason));
    EXPECT_NE(reason.find("needs 9 walls"), std::string::npos) << reason;
}

TEST(LevelCheckTest, SizeAndEmptinessAreRefused) {
    std::string reason;
    const std::vector<std::uint8_t> big(33 * 32, 1);
    EXPECT_FALSE(checkLevelGrid(big.data(), 33, 32, OneThing, reason));
    EXPECT_EQ(reason, "the map has 33 x 32 cells, more than 1024");
    EXPECT_FALSE(checkLevelGrid(big.data(), 32, 32, OneThing, reason));
    EXPECT_EQ(reason, "the map has no open cell");
    EXPECT_FALSE(checkLevelGrid(big.data(), 0, 5, OneThing, reason));
    EXPECT_FALSE(checkLevelGrid(big.data(), 5, -1, OneThing, reason));
}

TEST(LevelCheckTest, EveryPlacedThingNeedsAnOpenCell) {
    const Grid grid{"#....#"};
    std::string reason;
    EXPECT_TRUE(grid.check({4, false}, reason));
    ASSERT_FALSE(grid.check({5, false}, reason));
    EXPECT_EQ(reason, "the map has 4 open cells, fewer than the 5 things placed on it");
}

TEST(LevelCheckTest, FirstLevelNeedsAnOpenCellInItsTopLeftEighth) {
    std::vector<std::uint8_t> cells(16 * 16, 1);
    for (int c = 1; c < 15; ++c) cells[2 * 16 + c] = 0;  // a corridor along row 2
    std::string reason;
    EXPECT_FALSE(checkLevelGrid(cells.data(), 16, 16, {1, true}, reason)) << "the eighth is rows 0-1 only";
    cells[1 * 16 + 1] = 0;  // open (1, 1), joined diagonally to the corridor
    EXPECT_TRUE(checkLevelGrid(cells.data(), 16, 16, {1, true}, reason)) << reason;
    EXPECT_FALSE(checkLevelGrid(cells.data(), 16, 7, {1, true}, reason))
        << "a grid under 8 rows has no eighth";
}

TEST(LevelCheckTest, NeedsShrinkAsLevelsGoOn) {
    EXPECT_EQ(levelNeedsAt(0).things, 18);  // detector, transporter, 4 chests, 8 rocks, 4 monsters
    EXPECT_TRUE(levelNeedsAt(0).detectorCell);
    EXPECT_EQ(levelNeedsAt(2).things, 15);
    EXPECT_FALSE(levelNeedsAt(2).detectorCell);
    EXPECT_EQ(levelNeedsAt(12).things, 17);  // 16 monsters and the transporter
    EXPECT_EQ(levelNeedsAt(40).things, 17);
}

}  // namespace
