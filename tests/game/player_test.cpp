#include "game/player.h"
#include "app/input.h"
#include "app/utilities.h"
#include "game/game_state.h"
#include "game/media_loading.h"
#include "game/monsters.h"
#include "game_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include <cmath>
#include <set>

namespace {

using PlayerTest = GameTest;

TEST_F(PlayerTest, WalkingCrossesPortalsIntoTheNextCell) {
    start();
    KeyState[VK_UP] = 1;
    updates(60);  // 1.2 seconds at 5 units a second
    EXPECT_NEAR(PlayerPos.x, 11.0f, 0.01f);
    EXPECT_EQ(PlayerCell, cellAt(1, 0));
    updates(200);
    EXPECT_NEAR(PlayerPos.x, 31.0f, 0.01f);
    EXPECT_EQ(PlayerCell, cellAt(3, 0));
    EXPECT_NEAR(PlayerPos.z, 5.0f, 1e-4f);
}

TEST_F(PlayerTest, WalkingIntoAWallSlidesAlongIt) {
    start();
    standAt(35.0f, 5.0f);
    ViewYaw = 0.7853982f;  // heading south-east, into the corridor's south wall
    KeyState[VK_UP] = 1;
    updates(100);
    EXPECT_LE(PlayerPos.z, 10.0f) << "the wall holds";
    EXPECT_GT(PlayerPos.z, 9.5f) << "the player goes right up to it";
    EXPECT_GT(PlayerPos.x, 35.0f + 6.0f) << "and slides along it";
    EXPECT_EQ(PlayerCell, cellAt(static_cast<int>(PlayerPos.x / 10.0f), 0));
}

TEST_F(PlayerTest, WalkingIntoTheCornerOfADeadEndStops) {
    start();
    standAt(155.0f, 5.0f);  // the last cell: its east side is a point between two walls
    KeyState[VK_UP] = 1;
    updates(100);
    const Vector3 stopped = PlayerPos;
    EXPECT_LT(stopped.x, 160.0f);
    updates(10);
    EXPECT_EQ(PlayerPos.x, stopped.x);
    EXPECT_EQ(PlayerPos.z, stopped.z);
}

TEST_F(PlayerTest, MoveInCellRevertsWhatCrossesAWall) {
    start();
    const CaveCell& last = *cellAt(15, 0);
    CaveCell* next = nullptr;
    // Straight at the north-east wall from just inside it: both coordinates go back.
    const Vector3 from{157.0f, 0.0f, 2.1f};
    Vector3 to{157.2f, 0.0f, 1.9f};
    int hit = -1;
    EXPECT_EQ(MoveInCell(last, from, to, next, &hit), RevertedX | RevertedZ);
    EXPECT_EQ(to.x, from.x);
    EXPECT_EQ(to.z, from.z);
    EXPECT_GE(hit, 2) << "one of the cell's own corner walls";

    // West through the portal into the neighbour.
    Vector3 west{149.0f, 0.0f, 5.0f};
    EXPECT_EQ(MoveInCell(last, {151.0f, 0.0f, 5.0f}, west, next, nullptr), CrossedPortal);
    EXPECT_EQ(next, cellAt(14, 0));
    EXPECT_EQ(west.x, 149.0f);
}

TEST_F(PlayerTest, StandingOnAnItemPicksNothingUpButAnyMoveDoes) {
    start();
    place(ChestModels[0], ItemChest, 5.5f, 5.0f);
    updates(20);
    EXPECT_EQ(CoinCount, 3);
    EXPECT_NE(cellAt(0, 0)->items.head, nullptr);

    KeyState[VK_LEFT] = 1;  // a sidestep towards the wall still reaches it
    updates(1);
    EXPECT_GE(CoinCount, 4);
    EXPECT_EQ(cellAt(0, 0)->items.head, nullptr);
}

TEST_F(PlayerTest, ChestsGiveOneToFiveCoinsUpToTwentyFive) {
    start();
    KeyState[VK_LEFT] = 1;
    std::set<int> gains;
    for (int i = 0; i < 200; ++i) {
        CoinCount = 3;
        standAt(5.0f, 5.0f);
        place(ChestModels[0], ItemChest, 5.0f, 5.0f);
        updates(1);
        gains.insert(CoinCount - 3);
    }
    EXPECT_EQ(gains, (std::set<int>{1, 2, 3, 4, 5}));
    for (int start : {24, 25}) {
        CoinCount = start;
        place(ChestModels[0], ItemChest, 5.0f, 5.0f);
        updates(1);
        EXPECT_EQ(CoinCount, 25);
    }
}

TEST_F(PlayerTest, RocksAreCarriedAndThrownAndTheDetectorKept) {
    start();
    place(RockModels[0], ItemRock, 6.0f, 5.0f);
    place(DetectorModel, ItemDetector, 4.0f, 5.0f);
    KeyState[VK_LEFT] = 1;
    updates(1);
    EXPECT_EQ(CarriedRocks.count, 1);
    EXPECT_TRUE(HasDetector);
    EXPECT_EQ(cellAt(0, 0)->items.count, 0);

    KeyState[VK_SPACE] = 1;
    updates(1);
    EXPECT_EQ(CarriedRocks.count, 0);
    ASSERT_EQ(FlyingRocks.count, 1);
    EXPECT_EQ(FlyingRocks.head->object, &RockModels[0]);
    EXPECT_EQ(FlyingRocks.head->cell, PlayerCell);
    EXPECT_NEAR(RockModels[0].position.y, PlayerPos.y + 0.25f, 0.1f);
    EXPECT_NEAR(RockModels[0].velocity.x, 1.0f, 1e-5f) << "thrown the way the player looks";
    updates(1);
    EXPECT_EQ(FlyingRocks.count, 1) << "nothing left to throw";

    // The detector rides half a unit below and 0.9 in front of the eye.
    EXPECT_NEAR(DetectorModel.matrix[12], PlayerPos.x + 0.9f, 1e-3f);
    EXPECT_NEAR(DetectorModel.matrix[13], PlayerPos.y - 0.5f, 1e-3f);
}

// The throw sound is absent here (as when it fails to load): its length is
// taken as half a second, so one press does not empty the player's hands.
TEST_F(PlayerTest, HoldingTheThrowKeyThrowsOneRockPerThrowSound) {
    start();
    std::fill(std::begin(KeyState), std::end(KeyState), 0);
    for (int i = 0; i < 3; ++i) place(RockModels[i], ItemRock, 4.5f + 0.5f * static_cast<float>(i), 5.0f);
    KeyState[VK_LEFT] = 1;  // items are picked up while walking
    updates(1);
    KeyState[VK_LEFT] = 0;
    ASSERT_EQ(CarriedRocks.count, 3);

    KeyState[VK_SPACE] = 1;
    updates(1);
    EXPECT_EQ(CarriedRocks.count, 2);
    updates(24);  // 0.48 s
    EXPECT_EQ(CarriedRocks.count, 2);
    updates(2);
    EXPECT_EQ(CarriedRocks.count, 1) << "the next rock half a second after the first";
    updates(20);
    EXPECT_EQ(CarriedRocks.count, 1);

    // Letting go does not shorten the wait.
    KeyState[VK_SPACE] = 0;
    updates(1);
    KeyState[VK_SPACE] = 1;
    updates(1);
    EXPECT_EQ(CarriedRocks.count, 1);
    updates(5);
    EXPECT_EQ(CarriedRocks.count, 0);
}

TEST_F(PlayerTest, HopAndDuckArcsDoNotOverlap) {
    start();
    KeyState[VK_SHIFT] = 1;
    updates(25);  // half a second into the hop
    const float floorEye = FloorHeight(PlayerPos.x, PlayerPos.z) + EyeHeight;
    EXPECT_NEAR(PlayerPos.y, floorEye + 2.0f, 0.05f);
    KeyState[VK_SHIFT] = 0;
    KeyState[VK_CONTROL] = 1;
    updates(10);
    EXPECT_GT(PlayerPos.y, floorEye) << "the duck waits for the hop to end";
    updates(40);
    EXPECT_LT(PlayerPos.y, floorEye - 1.0f) << "then ducks";
}

TEST_F(PlayerTest, TheTransporterIsReachedOnlyWithinTwoUnits) {
    start();
    KeyState[VK_LEFT] = 1;
    place(TransporterModel, ItemTransporter, 7.06f, 5.0f);
    updates(1);
    EXPECT_EQ(GameState, Playing);
    standAt(5.0f, 5.0f);
    TransporterModel.matrix[12] = 6.95f;
    updates(1);
    EXPECT_EQ(GameState, LevelPassed);
    EXPECT_FLOAT_EQ(StateEndTime, GameClock + 5.0f);
    EXPECT_NE(cellAt(0, 0)->items.head, nullptr) << "the transporter stays";
}

}  // namespace
