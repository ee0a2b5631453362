#include "game/monsters.h"
#include "app/input.h"
#include "app/shell.h"
#include "app/utilities.h"
#include "audio/midi_player.h"
#include "cave/level_build.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/media_loading.h"
#include "game/player.h"
#include "game_fixture.h"
#include "math/matrix.h"

#include "platform/headless/headless.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

std::string ShippedMedia(const char* name) {
    std::ifstream in(std::string(UMBRAFALL_GAME_DIR) + "/media/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class MonsterTest : public GameTest {
protected:
    // The test's level with the shipped monster model.
    void begin(std::initializer_list<const char*> rows = Corridor) {
        folder_.writeMedia("monster.a3f", ShippedMedia("monster.a3f"));
        start(rows);
        ASSERT_GT(Monsters[0].animationCount, 0u) << "the shipped monster did not load";
        CoinCount = 10;
    }

    static Monster& put(int i, float x, float z, int state) {
        MonsterCount = std::max(MonsterCount, i + 1);
        Monster& monster = Monsters[i];
        monster.position = {x, FloorHeight(x, z), z};
        monster.angles = {};
        makeEulerMatrix(monster.angles, monster.position, monster.matrix);
        MonsterCells[i] = cellAt(static_cast<int>(x / 10.0f), static_cast<int>(z / 10.0f));
        behaviourState(monster) = state;
        return monster;
    }

    static void monsterFrames(int count, float dt = 0.02f) {
        for (int i = 0; i < count; ++i) {
            FrameTime = dt;
            UpdateMonsters();
        }
    }

    static ItemNode* throwRock(float x, float y, float z, Vector3 velocity) {
        StaticModel& rock = RockModels[0];
        rock.position = {x, y, z};
        rock.velocity = velocity;
        ItemNode* node = appendItem(FlyingRocks, ItemRock, &rock);
        node->cell = cellAt(static_cast<int>(x / 10.0f), static_cast<int>(z / 10.0f));
        return node;
    }

    // A seed whose hit, after the cry's pitch draw, takes `coins` coins.
    static std::uint32_t seedTaking(int coins) {
        for (std::uint32_t seed = 1; seed < 1000; ++seed) {
            SeedRandom(seed);
            RandomSigned();
            if (1 + RandomIndex(5) == coins) return seed;
        }
        ADD_FAILURE() << "no seed takes " << coins;
        return 0;
    }
};

// A point near (5, 5) whose squared distance from it is exactly 7 in floats.
std::pair<float, float> SevenAway() {
    for (int k = 0; k < 256; ++k) {
        const float dz = static_cast<float>(k) / 1024.0f;
        const float start = 5.0f + std::sqrt(7.0f - dz * dz);
        float x = start - 2e-6f;
        for (int step = 0; step < 40; ++step, x = std::nextafter(x, 10.0f)) {
            const float dx = x - 5.0f;
            if (dx * dx + dz * dz == 7.0f) return {x, 5.0f + dz};
        }
    }
    return {0.0f, 0.0f};
}

TEST_F(MonsterTest, DistanceDecidesBetweenSleepWalkChargeAndHitAtTheEdges) {
    begin();
    // 50 units: asleep, back to the start of standing.
    Monster& far = put(0, 55.0f, 5.0f, AnimWalking);
    monsterFrames(1);
    EXPECT_EQ(behaviourState(far), 0);
    EXPECT_EQ(far.currentAnimation, AnimStanding);
    EXPECT_EQ(NearestMonster, -1);
    put(0, 54.99f, 5.0f, AnimStanding);
    monsterFrames(1);
    EXPECT_EQ(behaviourState(far), AnimWalking);
    EXPECT_EQ(NearestMonster, 0);

    // d2 = 14 * 14 + 2 * 2 = 200 exactly: still walking; just inside: charging.
    Monster& near = put(0, 19.0f, 7.0f, AnimStanding);
    monsterFrames(1);
    EXPECT_EQ(behaviourState(near), AnimWalking);
    put(0, 18.99f, 7.0f, AnimWalking);
    monsterFrames(1);
    EXPECT_EQ(behaviourState(near), AnimAttack);

    const auto [sevenX, sevenZ] = SevenAway();
    ASSERT_NE(sevenX, 0.0f);
    put(0, sevenX, sevenZ, AnimStanding);
    monsterFrames(1);
    EXPECT_EQ(behaviourState(near), AnimAttack);
    EXPECT_EQ(CoinCount, 10) << "d2 = 7 charges, it does not hit";
    put(0, std::nextafter(sevenX, 0.0f), sevenZ, AnimAttack);
    monsterFrames(1);
    EXPECT_LT(CoinCount, 10);
    EXPECT_EQ(behaviourState(near), AnimDuckwalk);
}

TEST_F(MonsterTest, AHitBelowZeroCoinsKillsAndZeroCoinsSurvive) {
    begin();
    CoinCount = 2;
    put(0, 6.0f, 5.0f, AnimAttack);
    SeedRandom(seedTaking(3));
    monsterFrames(1);
    EXPECT_EQ(GameState, Dead);
    EXPECT_EQ(CoinCount, 3);
    EXPECT_FLOAT_EQ(StateEndTime, GameClock + 10.0f);
    EXPECT_EQ(behaviourState(Monsters[0]), AnimDuckwalk);

    GameState = Playing;
    CoinCount = 2;
    put(0, 6.0f, 5.0f, AnimAttack);
    SeedRandom(seedTaking(2));
    monsterFrames(1);
    EXPECT_EQ(GameState, Playing);
    EXPECT_EQ(CoinCount, 0);
}

TEST_F(MonsterTest, EveryHitRedrawsTheHudAndAFatalOnePlaysTheDirge) {
    // A one-note song, so that the dirge is known by its note.
    constexpr char DirgeKey = 50;
    const char track[] = {0,    static_cast<char>(0x90), DirgeKey, 100,
                          0x50, static_cast<char>(0x80), DirgeKey, 0};
    const std::string header("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x08", 22);
    folder_.writeMedia("durge.mid", header + std::string(track, sizeof track));
    platform::headless::PlugMidiOutput();
    begin();
    OpenMidiDevice();
    const auto dirgePlays = [] {
        return MidiSong.playing && MidiSong.eventCount > 0 && MidiSong.events[0].data1 == DirgeKey;
    };

    const int redraws = HudRedraws;
    put(0, 6.0f, 5.0f, AnimAttack);
    SeedRandom(seedTaking(2));
    monsterFrames(1);
    EXPECT_EQ(CoinCount, 8);
    EXPECT_EQ(HudRedraws, redraws + 1);
    EXPECT_FALSE(dirgePlays());

    CoinCount = 0;
    put(0, 6.0f, 5.0f, AnimAttack);
    monsterFrames(1);
    EXPECT_EQ(GameState, Dead);
    EXPECT_EQ(HudRedraws, redraws + 2);
    EXPECT_TRUE(dirgePlays());
    CloseMidiDevice();
}

TEST_F(MonsterTest, OtherMonstersDoNotRobTheRestartAfterAFatalHit) {
    begin();
    CoinCount = 0;
    put(0, 6.0f, 5.0f, AnimAttack);
    put(1, 4.0f, 5.0f, AnimAttack);
    monsterFrames(1);
    EXPECT_EQ(GameState, Dead);
    EXPECT_EQ(CoinCount, 3);
    EXPECT_EQ(behaviourState(Monsters[1]), AnimAttack);
}

TEST_F(MonsterTest, ARetreatingMonsterFleesAndNeverAttacks) {
    begin();
    Monster& monster = put(0, 7.0f, 5.0f, AnimDuckwalk);
    for (int frame = 0; frame < 300; ++frame) {
        monsterFrames(1);
        ASSERT_NE(behaviourState(monster), AnimAttack) << "frame " << frame;
    }
    EXPECT_EQ(CoinCount, 10);
    EXPECT_GT(monster.position.x, 20.0f) << "it fled down the corridor";
}

TEST_F(MonsterTest, AMonsterFollowsTheCellsChargesStealsAndFlees) {
    begin({"....", "###.", "###."});
    standAt(35.0f, 25.0f);  // round the corner: walls between, five cells along
    put(0, 5.0f, 5.0f, AnimStanding);
    KeyState[VK_UP] = 0;
    int frames = 0;
    while (CoinCount == 10 && frames < 3000) {
        updates(1);
        ++frames;
    }
    EXPECT_LT(CoinCount, 10) << "it never reached the player";
    EXPECT_EQ(MonsterCells[0], PlayerCell);
    EXPECT_EQ(behaviourState(Monsters[0]), AnimDuckwalk);
}

TEST_F(MonsterTest, AWallBumpTurnsAChaseIntoASidestepAndBackIntoACharge) {
    begin();
    // Charging with the wall in the way: the player is straight south, beyond the wall.
    Monster& monster = put(0, 13.0f, 9.97f, AnimAttack);
    standAt(5.0f, 5.0f);
    monster.angles.y = 0.0f;  // facing +z, into the south wall
    PlayerPos.x = 13.0f;
    PlayerPos.z = 20.0f;
    monsterFrames(1);
    EXPECT_EQ(behaviourState(monster), AnimSidestep);
    EXPECT_EQ(monster.currentAnimation, AnimSidestep);
    EXPECT_EQ(std::fabs(monster.sideOffset), 1.570795f);
    int frames = 0;
    while (behaviourState(monster) == AnimSidestep && frames++ < 500) monsterFrames(1);
    EXPECT_EQ(behaviourState(monster), AnimAttack) << "the finished sidestep charges again";

    // A bump while fleeing is a retreat sidestep, which ends in flight.
    Monster& fleeing = put(1, 33.0f, 9.97f, AnimDuckwalk);
    PlayerPos.x = 25.0f;
    PlayerPos.z = 5.0f;
    fleeing.angles.y = 0.0f;
    fleeing.currentAnimation = AnimDuckwalk;
    monsterFrames(1);
    EXPECT_EQ(behaviourState(fleeing), AnimSidestep + 10);
    frames = 0;
    while (behaviourState(fleeing) == AnimSidestep + 10 && frames++ < 500) monsterFrames(1);
    EXPECT_EQ(behaviourState(fleeing), AnimDuckwalk);
}

TEST_F(MonsterTest, ARockOnTheHeadKnocksOutAndOnTheBodyDrivesOff) {
    begin();
    const std::array<std::pair<float, int>, 3> cases = {
        {{2.6f, AnimDead}, {2.7f, AnimDuckwalk}, {1.7f, AnimDuckwalk}}};
    for (const auto& [height, outcome] : cases) {
        Monster& monster = put(0, 25.0f, 5.0f, AnimWalking);
        monster.position.y = 0.0f;
        ItemNode* node = throwRock(25.5f, height, 5.5f, {0.0f, 0.0f, 0.0f});
        FrameTime = 0.02f;
        EXPECT_EQ(UpdateFlyingRock(node), nullptr);
        EXPECT_EQ(behaviourState(monster), outcome) << "rock at " << height;
        EXPECT_EQ(monster.currentAnimation, outcome);
        clearItems(FlyingRocks);
        clearItems(cellAt(2, 0)->items);
    }
    // The rock rebounds off the monster it struck.
    put(0, 25.0f, 5.0f, AnimAttack);
    throwRock(24.0f, Monsters[0].position.y + 1.0f, 5.0f, {0.2f, 0.0f, 0.0f});
    FrameTime = 0.02f;
    UpdateFlyingRock(FlyingRocks.head);
    EXPECT_EQ(behaviourState(Monsters[0]), AnimDuckwalk);
    EXPECT_NEAR(RockModels[0].velocity.x, -0.1f * 0.98f, 1e-5f);
    EXPECT_NEAR(RockModels[0].velocity.y, -0.25f * 0.98f - 0.02f, 1e-5f);
}

TEST_F(MonsterTest, RocksPassThroughMonstersThatAreNotWalkingOrCharging) {
    begin();
    for (const int state : {0, AnimStanding, AnimSidestep, AnimDuckwalk, AnimSidestep + 10, AnimDead}) {
        Monster& monster = put(0, 25.0f, 5.0f, state);
        ItemNode* node = throwRock(25.0f, monster.position.y + 2.2f, 5.0f, {0.5f, 0.0f, 0.0f});
        FrameTime = 0.02f;
        UpdateFlyingRock(node);
        EXPECT_EQ(behaviourState(monster), state);
        EXPECT_NEAR(RockModels[0].velocity.x, 0.5f * 0.98f, 1e-6f) << "state " << state;
        clearItems(FlyingRocks);
    }
}

TEST_F(MonsterTest, ARockThrownUpBouncesOffCeilingAndFloorThenLiesInItsCell) {
    begin();
    const float floor = FloorHeight(5.0f, 5.0f) + 0.2f;
    const float ceiling = floor + 5.0f;
    ItemNode* node = throwRock(5.0f, floor + 2.0f, 5.0f, {0.0f, 1.0f, 0.0f});
    StaticModel& rock = *node->object;
    const float dt = 0.02f;
    int ceilingFrames = 0, floorBounces = 0, frames = 0, firstCeiling = -1, firstFloor = -1;
    while (FlyingRocks.count > 0 && frames++ < 5000) {
        const float before = rock.velocity.y;
        FrameTime = dt;
        UpdateFlyingRock(FlyingRocks.head);
        if (FlyingRocks.count == 0) break;
        ASSERT_LE(rock.position.y, ceiling);
        if (rock.position.y == ceiling && before > 0.0f) {
            ++ceilingFrames;
            if (firstCeiling < 0) firstCeiling = frames;
            EXPECT_NEAR(rock.velocity.y, -1.2f * before * (1.0f - dt) - dt, 1e-5f);
        }
        if (rock.position.y == floor && before < 0.0f) {
            ++floorBounces;
            if (firstFloor < 0) firstFloor = frames;
            EXPECT_NEAR(rock.velocity.y, -0.8f * before * (1.0f - dt) - dt, 1e-5f);
        }
    }
    EXPECT_GE(ceilingFrames, 1);
    EXPECT_GE(floorBounces, 1);
    EXPECT_LT(firstCeiling, firstFloor) << "up to the ceiling first, then down";
    ASSERT_EQ(FlyingRocks.count, 0);
    const ItemNode* lying = cellAt(0, 0)->items.head;
    ASSERT_NE(lying, nullptr);
    EXPECT_EQ(lying->kind, ItemRock);
    EXPECT_EQ(lying->object, &rock);
    EXPECT_EQ(rock.position.y, floor);
    EXPECT_EQ(rock.matrix[13], floor);

    KeyState[VK_UP] = 1;
    updates(1);
    EXPECT_EQ(CarriedRocks.count, 1) << "it can be picked up again";
    EXPECT_EQ(cellAt(0, 0)->items.head, nullptr);
}

TEST_F(MonsterTest, ARockThrownAtAWallComesBackReflectedAndSlower) {
    begin();
    ItemNode* node = throwRock(23.0f, FloorHeight(23.0f, 5.0f) + 2.5f, 5.0f, {0.0f, 0.0f, 1.0f});
    StaticModel& rock = *node->object;
    float before = 0.0f;
    for (int frame = 0; frame < 20 && rock.velocity.z > 0.0f; ++frame) {
        before = rock.velocity.z;
        FrameTime = 0.02f;
        UpdateFlyingRock(node);
    }
    ASSERT_LT(rock.velocity.z, 0.0f);
    EXPECT_NEAR(rock.velocity.z, -0.8f * before * 0.98f, 1e-4f);
    EXPECT_NEAR(rock.velocity.x, 0.0f, 1e-4f);
    EXPECT_LT(rock.position.z, 10.0f);
    EXPECT_EQ(node->cell, cellAt(2, 0));
}

TEST_F(MonsterTest, RocksWithoutACellAreDropped) {
    begin();
    ItemNode* first = throwRock(5.0f, 3.0f, 5.0f, {1.0f, 0.0f, 0.0f});
    ItemNode* second = throwRock(5.0f, 3.0f, 5.0f, {1.0f, 0.0f, 0.0f});
    first->cell = nullptr;
    FrameTime = 0.02f;
    EXPECT_EQ(UpdateFlyingRock(first), second);
    EXPECT_EQ(FlyingRocks.count, 1);
    EXPECT_EQ(FlyingRocks.head, second);
}

// Fewest steps over the connections, by breadth-first search.
std::vector<int> StepsFrom(const CaveCell* goal) {
    std::vector<int> steps(CellTableSize, 1000);
    std::vector<const CaveCell*> queue{goal};
    steps[goal->index] = 0;
    for (std::size_t i = 0; i < queue.size(); ++i) {
        for (int k = 0; k < queue[i]->connectionCount; ++k) {
            const CaveCell* n = queue[i]->neighbours[k];
            if (steps[n->index] <= steps[queue[i]->index] + 1) continue;
            steps[n->index] = steps[queue[i]->index] + 1;
            queue.push_back(n);
        }
    }
    return steps;
}

TEST_F(MonsterTest, FindStepToPlayerTakesTheFirstShortestStepWithinFive) {
    begin({"......", ".####.", "......", ".####.", "......"});
    int checked = 0, unreachable = 0;
    for (const CaveCell* player : {cellAt(0, 0), cellAt(2, 2), cellAt(5, 4)}) {
        PlayerCell = const_cast<CaveCell*>(player);
        const std::vector<int> steps = StepsFrom(player);
        for (const CaveCell* cell = CellList.head; cell; cell = cell->next) {
            int found = -1;
            const CaveCell* step = FindStepToPlayer(cell, 0, found);
            const int d = steps[cell->index];
            if (cell == player) {
                EXPECT_EQ(step, cell);
                EXPECT_EQ(found, 0);
            } else if (d > 5) {
                EXPECT_EQ(step, nullptr);
                EXPECT_EQ(found, 6);
                ++unreachable;
            } else {
                const CaveCell* first = nullptr;
                for (int k = 0; k < cell->connectionCount && !first; ++k)
                    if (steps[cell->neighbours[k]->index] == d - 1) first = cell->neighbours[k];
                EXPECT_EQ(step, first) << "from cell " << cell->index << " to " << player->index;
                EXPECT_EQ(found, d);
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 40);
    EXPECT_GT(unreachable, 0);
}

TEST_F(MonsterTest, PathSearchForSixteenMonstersOnTheLargestLevelIsBounded) {
    begin();
    // The largest shipped map, built in place of the test's level.
    folder_.writeMedia("cavemap2.bmp", ShippedMedia("cavemap8.bmp"));
    freeAllCells();
    LevelIndex = 1;
    MonsterCount = 16;
    ASSERT_TRUE(BuildLevel());
    // Every monster awake in a cell between 14.1 and 50 units from the player.
    std::vector<const CaveCell*> awake;
    for (const CaveCell* cell = CellList.head; cell; cell = cell->next) {
        const float dx = cell->x + 5.0f - PlayerPos.x, dz = cell->z + 5.0f - PlayerPos.z;
        if (dx * dx + dz * dz >= 200.0f && dx * dx + dz * dz < 2500.0f) awake.push_back(cell);
    }
    ASSERT_FALSE(awake.empty());
    for (int i = 0; i < MaxMonsters; ++i) {
        const CaveCell* cell = awake[static_cast<std::size_t>(i) % awake.size()];
        put(i, cell->x + 5.0f, cell->z + 5.0f, AnimWalking);
    }
    std::uint64_t worst = 0;
    for (int frame = 0; frame < 50; ++frame) {
        const std::uint64_t before = PathSearchCalls;
        monsterFrames(1);
        worst = std::max(worst, PathSearchCalls - before);
    }
    EXPECT_GE(worst, 16u);
    // At most 1 + 4 + 16 + 64 + 256 + 1024 calls for each monster.
    EXPECT_LE(worst, 16u * 1365u);
}

TEST_F(MonsterTest, FirstLevelMonstersStartInStateOneTheShippedStandingState) {
    folder_.writeMedia("monster.a3f", ShippedMedia("monster.a3f"));
    start();
    EXPECT_NE(AnimStanding, 0) << "standing monsters would be dormant and unseen";
    EXPECT_EQ(AnimStanding, 1);
    // Loading leaves every monster's state at 1; the first level keeps it.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(behaviourState(Monsters[i]), 1);
}

// Values the frame's drawing leaves in GL feedback: what was sent, whatever hides it.
GLint FeedbackValues() {
    static std::vector<GLfloat> buffer(1 << 22);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    platform::headless::AdvanceClock(16);
    RunLoopTurn();
    return glRenderMode(GL_RENDER);
}

TEST_F(MonsterTest, AMonsterInACellTheWalkDidNotReachIsNotDrawn) {
    begin({"........", "#######.", "........"});
    GameState = Won;  // nothing moves; only drawing
    ViewYaw = 0.0f;
    ViewDir = {0.0f, 0.0f, 1.0f};
    UpdateLight();
    // Straight ahead, 20 units away beyond the wall, but 16 cells round.
    Monster& monster = put(0, 5.0f, 25.0f, AnimStanding);
    setAnimation(monster, AnimStanding, true, 0.0f);
    updateSkinnedModel(monster, 0.1f);
    const GLint drawn = FeedbackValues();
    behaviourState(monster) = 0;
    const GLint none = FeedbackValues();
    EXPECT_EQ(drawn, none);

    // The same monster counted in the player's cell is in view and drawn.
    behaviourState(monster) = AnimStanding;
    MonsterCells[0] = PlayerCell;
    EXPECT_GT(FeedbackValues(), none + 100);
}

}  // namespace
