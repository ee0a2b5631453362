#include "level_maps.h"
#include "walk_check.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

std::vector<WalkFault> walkFaults(const std::string& text) {
    LevelGrid grid;
    std::string error;
    EXPECT_TRUE(parseLevelText(text, grid, error)) << error;
    std::vector<WalkFault> faults;
    EXPECT_TRUE(checkWalks(grid, faults));
    return faults;
}

std::set<std::pair<int, int>> faultyCells(const std::vector<WalkFault>& faults) {
    std::set<std::pair<int, int>> cells;
    for (const WalkFault& fault : faults) cells.insert({fault.column, fault.row});
    return cells;
}

bool mentions(const std::vector<WalkFault>& faults, int column, int row, const std::string& text) {
    for (const WalkFault& fault : faults)
        if (fault.column == column && fault.row == row && fault.what.find(text) != std::string::npos) return true;
    return false;
}

TEST(WalkCheck, StraightAndDiagonalCorridorsAndDiagonalForksHold) {
    EXPECT_TRUE(walkFaults("#####\n#...#\n#####\n").empty());
    EXPECT_TRUE(walkFaults("###\n#.#\n#.#\n#.#\n###\n").empty());
    EXPECT_TRUE(walkFaults("#####\n#.###\n##.##\n###.#\n#####\n").empty());
    EXPECT_TRUE(walkFaults("#####\n###.#\n##.##\n#.###\n#####\n").empty());
    EXPECT_TRUE(walkFaults("######\n#.#.##\n##.###\n##.###\n######\n").empty());
    EXPECT_TRUE(walkFaults("#######\n#..#..#\n###.###\n#######\n").empty()) << "corridors meeting at a fork";
}

TEST(WalkCheck, ASquareTurnLetsWalkersThroughItsWalls) {
    // (1, 1) east to the corner (2, 1), then south to (2, 2): the corner's
    // passage walls reach across the openings and the diagonal between the
    // two ends crosses them.
    const std::vector<WalkFault> faults = walkFaults("#####\n#..##\n##.##\n#####\n");
    EXPECT_EQ(faultyCells(faults), (std::set<std::pair<int, int>>{{1, 1}, {2, 1}, {2, 2}}));
    EXPECT_TRUE(mentions(faults, 2, 1, "walking toward (1, 1) stops at (20.00, 15.00)"));
    EXPECT_TRUE(mentions(faults, 1, 1, "walking toward (2, 2) passes through a wall"));
    EXPECT_TRUE(mentions(faults, 2, 2, "walking toward (2, 1) stops"));
}

TEST(WalkCheck, EveryOrientationOfATurnOrBranchIsFound) {
    for (const char* map : {"#####\n##..#\n##.##\n#####\n", "#####\n#.###\n#..##\n#####\n",
                            "#####\n##.##\n#..##\n#####\n", "######\n#....#\n###.##\n######\n",
                            "####\n#..#\n#..#\n####\n"})
        EXPECT_FALSE(walkFaults(map).empty()) << map;
}

TEST(WalkCheck, AMapTooLargeForTheCellTableIsRefused) {
    LevelGrid grid;
    grid.width = 40;
    grid.height = 40;
    grid.cells.assign(1600, 0);
    std::vector<WalkFault> faults;
    EXPECT_FALSE(checkWalks(grid, faults));
    EXPECT_EQ(faults.size(), 1u);
}

}  // namespace
