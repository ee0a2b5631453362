#include "level_maps.h"

#include <gtest/gtest.h>

namespace {

LevelGrid parsed(const std::string& text) {
    LevelGrid grid;
    std::string error;
    EXPECT_TRUE(parseLevelText(text, grid, error)) << error;
    return grid;
}

bool sameColour(const std::uint8_t* p, RgbColour c) {
    return p[0] == c.red && p[1] == c.green && p[2] == c.blue;
}

// 18 open cells: a corridor along the top, down the right, back along row 3.
constexpr char SmallLevel[] =
    "........\n"
    "#######.\n"
    "#######.\n"
    "........\n"
    "########\n"
    "########\n"
    "########\n"
    "########\n";

}  // namespace

TEST(LevelText, DotsAreOpenAndHashesRockRowByRow) {
    const LevelGrid grid = parsed("..#\n#..\n");
    EXPECT_EQ(grid.width, 3);
    EXPECT_EQ(grid.height, 2);
    EXPECT_EQ(grid.cells, (std::vector<std::uint8_t>{0, 0, 1, 1, 0, 0}));
}

TEST(LevelText, WindowsLineEndsAndTrailingBlankLinesAreAccepted) {
    const LevelGrid grid = parsed(".#\r\n#.\r\n\r\n\n");
    EXPECT_EQ(grid.width, 2);
    EXPECT_EQ(grid.height, 2);
    EXPECT_EQ(grid.cells, (std::vector<std::uint8_t>{0, 1, 1, 0}));
}

TEST(LevelText, BadCharactersRaggedRowsAndEmptyMapsAreRefusedWithThePlace) {
    LevelGrid grid;
    std::string error;
    EXPECT_FALSE(parseLevelText("...\n.x.\n", grid, error));
    EXPECT_NE(error.find("column 1, row 1"), std::string::npos) << error;

    EXPECT_FALSE(parseLevelText("...\n..\n...\n", grid, error));
    EXPECT_NE(error.find("row 1"), std::string::npos) << error;

    EXPECT_FALSE(parseLevelText("...\n\n...\n", grid, error));
    EXPECT_FALSE(parseLevelText("\n\n", grid, error));
}

TEST(LevelStart, IsTheFirstOpenCellInReadingOrder) {
    int column = -1, row = -1;
    ASSERT_TRUE(findStartCell(parsed("###\n#..\n.##\n"), column, row));
    EXPECT_EQ(column, 1);
    EXPECT_EQ(row, 1);
    EXPECT_FALSE(findStartCell(parsed("##\n##\n"), column, row));
}

TEST(LevelReach, CellsTouchingOnlyAtCornersAreConnected) {
    std::string error;
    EXPECT_TRUE(checkReachable(parsed(".##\n#.#\n##.\n"), error)) << error;
}

TEST(LevelReach, AnIsolatedPocketIsNamed) {
    std::string error;
    EXPECT_FALSE(checkReachable(parsed("..#.\n####\n"), error));
    EXPECT_NE(error.find("column 3, row 0"), std::string::npos) << error;
    EXPECT_NE(error.find("start at column 0, row 0"), std::string::npos) << error;
}

TEST(LevelCheck, ASmallFirstLevelWithExactlyEnoughCellsPasses) {
    const LevelGrid grid = parsed(SmallLevel);
    EXPECT_EQ(countOpenCells(grid), 18);
    std::string error;
    EXPECT_TRUE(checkLevel(grid, 0, error)) << error;
}

TEST(LevelCheck, TheGamesLimitsAreEnforced) {
    std::string error;
    // One cell fewer than the first level places things on.
    LevelGrid grid = parsed(SmallLevel);
    grid.cells[3 * 8 + 0] = 1;
    EXPECT_FALSE(checkLevel(grid, 0, error));
    EXPECT_NE(error.find("18"), std::string::npos) << error;

    // A 2 x 3 block gives its middle cells five open neighbours.
    EXPECT_FALSE(checkLevel(parsed("..#\n..#\n..#\n"), 5, error));
    EXPECT_NE(error.find("column 0, row 1"), std::string::npos) << error;

    // The first level needs floor in its top-left eighth; later ones do not.
    grid = parsed(SmallLevel);
    grid.cells[0] = 1;
    grid.cells[2 * 8 + 0] = 0;
    EXPECT_FALSE(checkLevel(grid, 0, error));
    EXPECT_NE(error.find("top-left"), std::string::npos) << error;
    EXPECT_TRUE(checkLevel(grid, 1, error)) << error;
}

TEST(LevelCheck, AStrandedCellFailsEvenWhenTheGameWouldBuildTheLevel) {
    LevelGrid grid = parsed(SmallLevel);
    grid.cells[1 * 8 + 7] = 1;  // cuts row 3 off from the start
    std::string error;
    EXPECT_FALSE(checkLevel(grid, 1, error));
    EXPECT_NE(error.find("cannot be reached"), std::string::npos) << error;
}

TEST(LevelCheck, ASingleColumnCannotHoldTheRockLegend) {
    std::string error;
    EXPECT_FALSE(checkLevel(parsed(".\n.\n"), 3, error));
    EXPECT_NE(error.find("legend"), std::string::npos) << error;
}

TEST(LevelBitmap, TopRowIsTheLegendAndEachCellOnePixelBelowIt) {
    const RgbImage image = levelBitmap(parsed(".#.\n#..\n"));
    ASSERT_EQ(image.width, 3);
    ASSERT_EQ(image.height, 3);
    EXPECT_TRUE(sameColour(image.at(0, 0), FloorColour));
    EXPECT_TRUE(sameColour(image.at(1, 0), RockColour));
    EXPECT_TRUE(sameColour(image.at(2, 0), RockColour));
    EXPECT_TRUE(sameColour(image.at(0, 1), FloorColour));
    EXPECT_TRUE(sameColour(image.at(1, 1), RockColour));
    EXPECT_TRUE(sameColour(image.at(2, 1), FloorColour));
    EXPECT_TRUE(sameColour(image.at(0, 2), RockColour));
    EXPECT_TRUE(sameColour(image.at(1, 2), FloorColour));
    EXPECT_TRUE(sameColour(image.at(2, 2), FloorColour));
}
