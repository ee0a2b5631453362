#include "cave/cave_map.h"

#include "platform/headless/headless.h"
#include "support/level_maps.h"
#include "support/temp_folder.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Pixels in the decoder's layout (blue, green, red, unused), top row first,
// drawn with 'w' white, 'k' black, 'r' red, and 'R' red with a non-zero
// fourth byte.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bgrx;

    Picture(std::initializer_list<std::string> rows) {
        for (const std::string& row : rows) {
            width = static_cast<int>(row.size());
            height += 1;
            for (const char c : row) {
                const std::uint8_t red = c == 'k' ? 0 : 255, other = c == 'w' ? 255 : 0;
                bgrx.insert(bgrx.end(), {other, other, red, static_cast<std::uint8_t>(c == 'R' ? 77 : 0)});
            }
        }
    }
    bool build(CaveMap& map, int rows = -1) const {
        return buildCaveMapFromPixels(bgrx.data(), width, rows < 0 ? height : rows, map);
    }
};

using Codes = std::vector<std::uint8_t>;

}  // namespace

TEST(CaveMapPixels, LegendRowGivesTheGridItsCodes) {
    CaveMap map;
    ASSERT_TRUE(Picture({"wkk", "wkw", "kkk"}).build(map));
    EXPECT_EQ(map.width, 3);
    EXPECT_EQ(map.height, 2);
    EXPECT_EQ(map.cells, (Codes{0, 1, 0, 1, 1, 1}));
    EXPECT_TRUE(map.loaded);
    EXPECT_EQ(map.cellSizeX, 10.0f);
    EXPECT_EQ(map.cellSizeZ, 10.0f);
    EXPECT_EQ(map.originX, 0);
    EXPECT_EQ(map.originZ, 0);
    EXPECT_TRUE(isOpenCell(map, 2, 0));
    EXPECT_FALSE(isOpenCell(map, 1, 0));
    EXPECT_FALSE(isOpenCell(map, 3, 0));
    EXPECT_FALSE(isOpenCell(map, 0, 2));

    // The floor is whatever colour the top-left pixel has.
    ASSERT_TRUE(Picture({"kwk", "wkw", "kkk"}).build(map));
    EXPECT_EQ(map.cells, (Codes{1, 0, 1, 0, 0, 0}));
    // A repeated colour takes its lowest index; the fourth byte does not count.
    ASSERT_TRUE(Picture({"wrw", "rwR"}).build(map));
    EXPECT_EQ(map.cells, (Codes{1, 0, 1}));
}

TEST(CaveMapPixels, OnlyTheFirst256LegendPixelsCount) {
    Picture picture({std::string(300, 'k'), std::string(300, 'k')});
    const auto paint = [&](int x, int y, int shade) {
        std::uint8_t* p = &picture.bgrx[static_cast<std::size_t>((y * 300 + x) * 4)];
        p[0] = static_cast<std::uint8_t>(shade % 256), p[1] = static_cast<std::uint8_t>(shade / 256),
        p[2] = 7;
    };
    for (int k = 0; k < 300; ++k) paint(k, 0, k);
    paint(280, 1, 200);
    paint(299, 1, 290);  // only past the legend's end
    paint(10, 1, 1000);  // in no legend entry
    CaveMap map;
    ASSERT_TRUE(picture.build(map));
    ASSERT_EQ(map.cells.size(), 300u);
    EXPECT_EQ(map.cells[280], 200);
    EXPECT_EQ(map.cells[299], UnknownColourCode);
    EXPECT_EQ(map.cells[10], UnknownColourCode);
}

TEST(CaveMapPixels, RefusedPixelsLeaveNoGrid) {
    const Picture picture({"wkkk", "wwww", "kkkk"});
    CaveMap map;
    ASSERT_TRUE(picture.build(map));
    EXPECT_FALSE(buildCaveMapFromPixels(nullptr, 4, 3, map));
    EXPECT_TRUE(map.cells.empty());
    EXPECT_FALSE(isOpenCell(map, 0, 0));  // the old size is kept, the grid is not
    ASSERT_TRUE(picture.build(map));
    EXPECT_FALSE(picture.build(map, 0));
    EXPECT_TRUE(map.cells.empty());

    // A legend alone is a map without cells.
    ASSERT_TRUE(picture.build(map, 1));
    EXPECT_EQ(map.height, 0);
    EXPECT_TRUE(map.cells.empty());
}

class LoadCaveMapTest : public GameFolderTest {};

TEST_F(LoadCaveMapTest, ReadsALevelBitmapAndForgetsItOnAFailedReload) {
    folder_.writeMedia("cavemap1.bmp", levelBitmap({"#.#", "..#"}));
    ASSERT_TRUE(LoadCaveMap("cavemap1.bmp", LevelMap));
    EXPECT_EQ(LevelMap.width, 3);
    EXPECT_EQ(LevelMap.height, 2);
    EXPECT_EQ(LevelMap.cells, (Codes{1, 0, 1, 0, 0, 1}));

    EXPECT_FALSE(LoadCaveMap("cavemap2.bmp", LevelMap));
    EXPECT_TRUE(LevelMap.cells.empty());
    EXPECT_TRUE(platform::headless::MessageBoxes().empty());
}
