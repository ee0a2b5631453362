#include "game/game_state.h"
#include "app/input.h"
#include "app/shell.h"
#include "game/media_loading.h"
#include "game/player.h"
#include "game_fixture.h"

#include <gtest/gtest.h>

namespace {

using GameStateTest = GameTest;

TEST_F(GameStateTest, AFrameIsNeverLongerThanAFifthOfASecond) {
    start();
    const float clock = GameClock;
    KeyState[VK_UP] = 1;
    updates(1, 0.5f);
    EXPECT_FLOAT_EQ(FrameTime, MaxFrameTime);
    EXPECT_FLOAT_EQ(GameClock, clock + 0.2f);
    EXPECT_NEAR(PlayerPos.x, 5.0f + 1.0f, 1e-4f) << "the move uses the capped time";
}

TEST_F(GameStateTest, PassingALevelRisesForFiveSecondsThenBuildsTheNext) {
    start();
    place(TransporterModel, ItemTransporter, 6.0f, 5.0f);
    KeyState[VK_LEFT] = 1;
    updates(1, 0.1f);
    ASSERT_EQ(GameState, LevelPassed);
    const float eye = PlayerPos.y, passed = GameClock;
    float lastEye = eye;
    int frames = 0;
    while (GameState == LevelPassed && frames < 100) {
        lastEye = PlayerPos.y;
        updates(1, 0.1f);
        ++frames;
    }
    EXPECT_EQ(GameState, Playing);
    EXPECT_EQ(LevelIndex, 2);
    EXPECT_NEAR(GameClock - passed, 5.1f, 0.11f) << "ends on the first frame past five seconds";
    EXPECT_NEAR(lastEye - eye, 2.5f, 0.1f);
}

TEST_F(GameStateTest, TheLastLevelIsWonOnTheNextFrameAndStaysWon) {
    start();
    LevelIndex = 2;  // the last of three
    place(TransporterModel, ItemTransporter, 6.0f, 5.0f);
    KeyState[VK_LEFT] = 1;
    updates(1);
    ASSERT_EQ(GameState, LevelPassed);
    const Vector3 eye = PlayerPos;
    updates(1);
    EXPECT_EQ(GameState, Won);
    EXPECT_EQ(PlayerPos.y, eye.y) << "no rise after the last level";
    updates(50);
    EXPECT_EQ(GameState, Won);
    EXPECT_EQ(LevelIndex, 2);
    EXPECT_EQ(PlayerPos.x, eye.x);
}

TEST_F(GameStateTest, TheViewAndTheLampFollowTheEye) {
    start();
    LightTable[0].enabled = 1;
    KeyState[VK_UP] = 1;
    updates(10);
    EXPECT_EQ(LightTable[0].position[0], PlayerPos.x);
    EXPECT_EQ(LightTable[0].position[1], PlayerPos.y);
    // The view matrix takes the eye to the origin.
    const Matrix4& v = ViewMatrix;
    const float ex = v[0] * PlayerPos.x + v[4] * PlayerPos.y + v[8] * PlayerPos.z + v[12];
    const float ez = v[2] * PlayerPos.x + v[6] * PlayerPos.y + v[10] * PlayerPos.z + v[14];
    EXPECT_NEAR(ex, 0.0f, 1e-3f);
    EXPECT_NEAR(ez, 0.0f, 1e-3f);
}

}  // namespace
