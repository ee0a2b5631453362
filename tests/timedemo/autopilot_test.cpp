#include "autopilot.h"

#include "app/media_path.h"
#include "app/shell.h"
#include "cave/cave_cell.h"
#include "cave/level_build.h"
#include "game/game_state.h"
#include "game/media_loading.h"
#include "game/monsters.h"
#include "game/player.h"
#include "model/static_model.h"
#include "platform/keys.h"
#include "support/gl_context.h"
#include "support/level_maps.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using platform::Message;
using platform::MessageType;

constexpr float Pi = 3.14159265f;

TEST(PilotAngles, WrapIntoHalfOpenRange) {
    EXPECT_NEAR(WrapAngle(0.5f), 0.5f, 1e-6f);
    EXPECT_NEAR(WrapAngle(1.5f * Pi), -0.5f * Pi, 1e-5f);
    EXPECT_NEAR(WrapAngle(-1.5f * Pi), 0.5f * Pi, 1e-5f);
    EXPECT_NEAR(WrapAngle(-Pi), Pi, 1e-5f);
    EXPECT_NEAR(WrapAngle(20.0f * Pi + 0.25f), 0.25f, 1e-4f);
}

TEST(PilotAngles, HeadingIsMeasuredFromPlusZTowardPlusX) {
    EXPECT_NEAR(HeadingTo(0, 0, 0, 5), 0.0f, 1e-6f);
    EXPECT_NEAR(HeadingTo(0, 0, 5, 0), 0.5f * Pi, 1e-6f);
    EXPECT_NEAR(HeadingTo(10, 10, 5, 5), -0.75f * Pi, 1e-5f);
}

TEST(PilotPointer, ColumnTurnsTowardTheTargetInProportion) {
    EXPECT_EQ(PointerColumn(0.0f, 8.0f, 640), 320) << "the middle: no turning";
    // The game turns by -2 x PointerX per second: a target at larger yaw wants the pointer left.
    EXPECT_EQ(PointerColumn(0.05f, 8.0f, 640), 192);  // PointerX -0.4
    EXPECT_EQ(PointerColumn(-0.05f, 8.0f, 640), 448);
    EXPECT_EQ(PointerColumn(3.0f, 8.0f, 640), 0) << "clamped to the window";
    EXPECT_EQ(PointerColumn(-3.0f, 8.0f, 640), 639);
}

// Hand-made cells: connections only, no geometry.
struct Chain {
    CaveCell cells[6];
    Chain() {
        for (int i = 0; i < 6; ++i) cells[i].index = static_cast<std::int16_t>(i);
        // 0-1-2-3 in a row, 0-4-5-3 round the other way, one step longer.
        link(0, 1);
        link(1, 2);
        link(2, 3);
        link(0, 4);
        link(4, 5);
        link(5, 3);
    }
    void link(int a, int b) {
        CaveCell& x = cells[a];
        CaveCell& y = cells[b];
        x.neighbours[x.connectionCount++] = &y;
        y.neighbours[y.connectionCount++] = &x;
    }
};

std::vector<int> Indices(const std::vector<const CaveCell*>& path) {
    std::vector<int> out;
    for (const CaveCell* cell : path) out.push_back(cell->index);
    return out;
}

TEST(CellPaths, TakeTheFewestSteps) {
    Chain chain;
    std::vector<const CaveCell*> path;
    ASSERT_TRUE(FindCellPath(&chain.cells[0], &chain.cells[3], path));
    EXPECT_EQ(Indices(path), (std::vector<int>{0, 1, 2, 3}));
    ASSERT_TRUE(FindCellPath(&chain.cells[4], &chain.cells[2], path));
    EXPECT_EQ(Indices(path).size(), 4u);
    ASSERT_TRUE(FindCellPath(&chain.cells[2], &chain.cells[2], path));
    EXPECT_EQ(Indices(path), (std::vector<int>{2}));
}

TEST(CellPaths, GoRoundAStepThatCannotBeTaken) {
    Chain chain;
    std::vector<const CaveCell*> path;
    const StepFilter notOneToTwo = [&](const CaveCell& cell, int k) {
        return !(&cell == &chain.cells[1] && cell.neighbours[k] == &chain.cells[2]);
    };
    ASSERT_TRUE(FindCellPath(&chain.cells[0], &chain.cells[3], path, notOneToTwo));
    EXPECT_EQ(Indices(path), (std::vector<int>{0, 4, 5, 3}));
    // Only that direction is shut.
    ASSERT_TRUE(FindCellPath(&chain.cells[2], &chain.cells[0], path, notOneToTwo));
    EXPECT_EQ(Indices(path), (std::vector<int>{2, 1, 0}));
}

TEST(CellPaths, UnreachableGoalGivesNoPath) {
    Chain chain;
    CaveCell island;
    island.index = 9;
    std::vector<const CaveCell*> path{&island};
    EXPECT_FALSE(FindCellPath(&chain.cells[0], &island, path));
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(FindCellPath(&chain.cells[0], nullptr, path));
}

TEST(NearestItems, FewestStepsFirstWithinTheLimit) {
    Chain chain;
    StaticModel a, b, c;
    appendItem(chain.cells[3].items, ItemRock, &a);   // 3 steps from 0 either way round
    appendItem(chain.cells[5].items, ItemChest, &b);  // 2 steps
    appendItem(chain.cells[5].items, ItemRock, &c);
    const ItemFilter rocks = [](const ItemNode& node) { return node.kind == ItemRock; };
    ItemFind found = FindNearestItem(&chain.cells[0], 4, rocks);
    ASSERT_EQ(found.cell, &chain.cells[5]);
    EXPECT_EQ(found.item->object, &c) << "the chest in the same cell is not wanted";
    EXPECT_EQ(found.steps, 2);
    EXPECT_EQ(FindNearestItem(&chain.cells[0], 1, rocks).cell, nullptr) << "beyond the limit";
    found = FindNearestItem(&chain.cells[5], 0, rocks);
    EXPECT_EQ(found.cell, &chain.cells[5]);
    EXPECT_EQ(found.steps, 0);

    // With 0 -> 4 shut, cell 5 is four steps away round the far side and cell 3 three.
    const StepFilter notZeroToFour = [&](const CaveCell& cell, int k) {
        return !(&cell == &chain.cells[0] && cell.neighbours[k] == &chain.cells[4]);
    };
    found = FindNearestItem(&chain.cells[0], 4, rocks, notZeroToFour);
    EXPECT_EQ(found.cell, &chain.cells[3]);
    EXPECT_EQ(found.steps, 3);
    clearItems(chain.cells[3].items);
    clearItems(chain.cells[5].items);
}

TEST(Transporter, FoundWithItsGroundPosition) {
    Chain chain;
    for (int i = 0; i + 1 < 6; ++i) chain.cells[i].next = &chain.cells[i + 1];
    StaticModel chest, transporter;
    transporter.matrix[12] = 31.5f;
    transporter.matrix[13] = 2.0f;
    transporter.matrix[14] = -4.25f;
    appendItem(chain.cells[2].items, ItemChest, &chest);
    appendItem(chain.cells[4].items, ItemChest, &chest);
    appendItem(chain.cells[4].items, ItemTransporter, &transporter);
    float x = 0, z = 0;
    EXPECT_EQ(FindTransporter(&chain.cells[0], x, z), &chain.cells[4]);
    EXPECT_EQ(x, 31.5f);
    EXPECT_EQ(z, -4.25f);
    EXPECT_EQ(FindTransporter(&chain.cells[5], x, z), nullptr);
}

// A real level: a corridor from the first cell (2, 1) south to (2, 4), with a
// side cell (1, 2) west of (2, 2). The game's collision lets nobody out of
// (2, 2) westward (the corridor's walls close that opening) nor from (2, 1)
// south-west (the south opening comes first), but (2, 3) reaches it north-west.
// The corridor below only makes room for what every level must hold.
const std::initializer_list<const char*> SideCell = {
    "################", "##.#############", "#..#############", "##.#############",
    "##.#############", "################", "#..............#", "################",
};

class PilotOnALevel : public GameFolderTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(context_.ok());
        folder_.writeMedia("cavemap1.bmp", levelBitmap(SideCell));
        folder_.writeMedia("cavemap2.bmp", levelBitmap(SideCell));
        LevelCount = FindLevelFiles();
        LevelIndex = 1;  // the second level: no detector to place
        ChestsToPlace = RocksToPlace = MonsterCount = 0;
        ASSERT_TRUE(BuildLevel());
        for (CaveCell* cell = CellList.head; cell; cell = cell->next) clearItems(cell->items);
        transporter_.matrix[12] = 15.0f;
        transporter_.matrix[14] = 25.0f;
        appendItem(cell(1, 2).items, ItemTransporter, &transporter_);
    }
    void TearDown() override { freeAllCells(); }

    static CaveCell& cell(int column, int row) { return *CellTable[row * 16 + column]; }

    // An item off the straight way to the transporter, in cell (2, 4).
    void placeAside(ItemKind kind) {
        aside_.matrix[12] = 25.0f;
        aside_.matrix[14] = 46.0f;
        appendItem(cell(2, 4).items, kind, &aside_);
    }

    PilotView view(float x, float z, float yaw) const {
        PilotView v;
        v.gameState = Playing;
        v.cells = CellList.head;
        v.playerCell = PlayerCell;
        v.x = x;
        v.z = z;
        v.yaw = yaw;
        return v;
    }

    OffscreenContext context_{64, 48};
    StaticModel transporter_;
    StaticModel aside_;
};

TEST_F(PilotOnALevel, AStraightWalkEntersTheCellsInOrder) {
    const LineWalk walk = WalkLine(cell(2, 1), 25.0f, 15.0f, 25.0f, 45.0f, 6);
    ASSERT_EQ(walk.enteredCount, 3);
    EXPECT_EQ(walk.entered[0], &cell(2, 2));
    EXPECT_EQ(walk.entered[1], &cell(2, 3));
    EXPECT_EQ(walk.entered[2], &cell(2, 4));
    EXPECT_FALSE(walk.touchedWall);
    EXPECT_EQ(WalkLine(cell(2, 1), 25.0f, 15.0f, 25.0f, 45.0f, 1).enteredCount, 1) << "stops after one cell";
}

TEST_F(PilotOnALevel, TheCorridorsWallsShutTheSideOpeningFromOneSideOnly) {
    const LineWalk out = WalkLine(cell(2, 2), 25.0f, 25.3f, 15.0f, 25.3f, 1);
    EXPECT_EQ(out.enteredCount, 0);
    EXPECT_TRUE(out.touchedWall);
    EXPECT_TRUE(out.stalled);
    const LineWalk in = WalkLine(cell(1, 2), 15.0f, 25.3f, 25.0f, 25.3f, 1);
    ASSERT_EQ(in.enteredCount, 1);
    EXPECT_EQ(in.entered[0], &cell(2, 2));
}

TEST_F(PilotOnALevel, PlansRoundTheShutOpenings) {
    ASSERT_EQ(PlayerCell, &cell(2, 1));
    Autopilot pilot(640, 480, 16);
    std::vector<Message> out;
    pilot.plan(view(25.0f, 15.0f, 0.0f), out);
    EXPECT_EQ(Indices(pilot.path()), (std::vector<int>{1 * 16 + 2, 2 * 16 + 2, 3 * 16 + 2, 2 * 16 + 1}));
}

TEST_F(PilotOnALevel, TurnsFirstThenWalksForwardAndSidewaysAndStopsBetweenLevels) {
    Autopilot pilot(640, 480, 16);
    std::vector<Message> out;
    // The way on is straight south (+z, yaw 0); forward and right together walk
    // 0.4636 rad right of the view, so the view wants yaw 0.4636.
    pilot.plan(view(25.0f, 15.0f, 0.0f), out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].type, MessageType::PointerMove);
    EXPECT_LT(out[0].x, 320) << "left of the middle turns toward larger yaw";
    EXPECT_EQ(out[0].y, 240) << "a level view";
    EXPECT_FALSE(pilot.walking());

    out.clear();
    pilot.plan(view(25.0f, 15.0f, 0.4636f), out);
    bool forward = false, right = false;
    for (const Message& m : out) {
        forward = forward || (m.type == MessageType::KeyDown && m.key == 'W');
        right = right || (m.type == MessageType::KeyDown && m.key == 'D');
        if (m.type == MessageType::PointerMove) {
            EXPECT_EQ(m.x, 320);
        }
    }
    EXPECT_TRUE(forward);
    EXPECT_TRUE(right);
    EXPECT_TRUE(pilot.walking());

    out.clear();
    pilot.plan(view(25.0f, 15.5f, 0.4636f), out);
    EXPECT_TRUE(out.empty()) << "nothing changed, nothing sent";

    PilotView passed = view(25.0f, 16.0f, 0.4636f);
    passed.gameState = LevelPassed;
    out.clear();
    pilot.plan(passed, out);
    int released = 0;
    for (const Message& m : out) released += m.type == MessageType::KeyUp && (m.key == 'W' || m.key == 'D');
    EXPECT_EQ(released, 2);
    EXPECT_FALSE(pilot.walking());
}

TEST_F(PilotOnALevel, DetoursToAnItemInTheCellFirst) {
    StaticModel chest;
    chest.matrix[12] = 27.0f;  // 2 units east and south of where the player stands
    chest.matrix[14] = 17.0f;
    appendItem(cell(2, 1).items, ItemChest, &chest);
    Autopilot pilot(640, 480, 16);
    std::vector<Message> out;
    // Facing the chest with the walking offset: heading pi/4, view pi/4 + 0.4636.
    pilot.plan(view(25.0f, 15.0f, 0.25f * Pi + 0.4636f), out);
    EXPECT_TRUE(pilot.walking());
    out.clear();
    // Facing straight down the corridor instead: it turns toward the chest, on the right.
    Autopilot other(640, 480, 16);
    other.plan(view(25.0f, 15.0f, 0.4636f), out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out[0].type, MessageType::PointerMove);
    EXPECT_LT(out[0].x, 320);
    EXPECT_FALSE(other.walking());
}

TEST_F(PilotOnALevel, FetchesARockOffTheWayOnlyWhenShortOfThem) {
    placeAside(ItemRock);
    const std::vector<int> toTransporter{1 * 16 + 2, 2 * 16 + 2, 3 * 16 + 2, 2 * 16 + 1};
    const std::vector<int> toRock{1 * 16 + 2, 2 * 16 + 2, 3 * 16 + 2, 4 * 16 + 2};
    std::vector<Message> out;
    for (const int carried : {0, 2, 3}) {
        Autopilot pilot(640, 480, 16);
        PilotView v = view(25.0f, 15.0f, 0.0f);
        v.carriedRocks = carried;
        v.coinCount = 25;
        pilot.plan(v, out);
        EXPECT_EQ(Indices(pilot.path()), carried < 3 ? toRock : toTransporter) << carried << " rocks";
    }
    // Once the rock is gone it heads for the transporter again.
    Autopilot pilot(640, 480, 16);
    PilotView v = view(25.0f, 15.0f, 0.0f);
    v.coinCount = 25;
    pilot.plan(v, out);
    ASSERT_EQ(Indices(pilot.path()), toRock);
    clearItems(cell(2, 4).items);
    v.clock += 0.016f;
    pilot.plan(v, out);
    EXPECT_EQ(Indices(pilot.path()), toTransporter);
}

TEST_F(PilotOnALevel, GivesUpARockItCannotGetToInTime) {
    placeAside(ItemRock);
    Autopilot pilot(640, 480, 16);
    std::vector<Message> out;
    PilotView v = view(25.0f, 15.0f, 0.0f);
    v.coinCount = 25;
    pilot.plan(v, out);
    ASSERT_EQ(pilot.path().back(), &cell(2, 4));
    // Going to and fro between two cells, say, gets it no nearer.
    for (int i = 0; i < 5; ++i) {
        v.clock += 2.0f;
        pilot.plan(v, out);
    }
    EXPECT_EQ(pilot.path().back(), &cell(2, 4)) << "three steps are worth some seconds";
    v.clock += 20.0f;
    pilot.plan(v, out);
    EXPECT_EQ(pilot.path().back(), &cell(1, 2)) << "off to the transporter";
    v.clock += 1.0f;
    pilot.plan(v, out);
    EXPECT_EQ(pilot.path().back(), &cell(1, 2)) << "and not tried again";
}

TEST_F(PilotOnALevel, FetchesAChestOnlyWhileNoMonsterHuntsNearby) {
    placeAside(ItemChest);
    const std::vector<int> toChest{1 * 16 + 2, 2 * 16 + 2, 3 * 16 + 2, 4 * 16 + 2};
    std::vector<Message> out;
    for (const auto kind : {PilotMonster::Harmless, PilotMonster::Walking}) {
        for (const int coins : {3, 25}) {
            Autopilot pilot(640, 480, 16);
            PilotView v = view(25.0f, 15.0f, 0.0f);
            v.carriedRocks = 3;
            v.coinCount = coins;
            v.monsterCount = 1;
            v.monsters[0] = {15.0f, 0.0f, 25.0f, kind};  // the side cell, out of sight
            pilot.plan(v, out);
            const bool fetches = Indices(pilot.path()) == toChest;
            EXPECT_EQ(fetches, coins < 25 && kind == PilotMonster::Harmless)
                << coins << " coins, monster kind " << kind;
        }
    }
}

// The pitch sends the game's own rock through the aimed height at the aimed distance.
TEST_F(PilotOnALevel, ThrowPitchDropsTheRockOntoTheTarget) {
    const float dt = 0.016f;
    for (const float distance : {4.0f, 8.0f, 12.0f}) {
        for (const float rise : {-0.6f, 0.0f, 0.4f}) {
            const float pitch = ThrowPitch(distance, rise, dt);
            StaticModel& rock = RockModels[0];
            const float eye = FloorHeight(24.5f, 15.0f) + 2.1f;
            rock.position = {24.5f, eye + 0.25f, 15.0f};
            rock.velocity = {0.0f, -std::sin(pitch), std::cos(pitch)};
            ItemNode* node = appendItem(FlyingRocks, ItemRock, &rock);
            node->cell = &cell(2, 1);
            float lastZ = rock.position.z, lastY = rock.position.y;
            FrameTime = dt;
            while (rock.position.z - 15.0f < distance && FlyingRocks.count > 0) {
                lastZ = rock.position.z;
                lastY = rock.position.y;
                UpdateFlyingRock(node);
            }
            const float share = (15.0f + distance - lastZ) / (rock.position.z - lastZ);
            const float y = lastY + (rock.position.y - lastY) * share;
            EXPECT_NEAR(y, eye + rise, 0.05f) << "distance " << distance << " rise " << rise;
            clearItems(FlyingRocks);
        }
    }
    EXPECT_LT(ThrowPitch(12.0f, 0.0f, dt), ThrowPitch(4.0f, 0.0f, dt)) << "farther aims higher";
}

TEST_F(PilotOnALevel, StandsAimsAndThrowsOnceAtAChargingMonsterInClearSight) {
    Autopilot pilot(640, 480, 16);
    std::vector<Message> out;
    PilotView v = view(24.5f, 15.0f, 0.0f);
    v.carriedRocks = 2;
    v.floorY = FloorHeight(24.5f, 15.0f);
    v.monsterCount = 1;
    v.monsters[0] = {24.5f, FloorHeight(24.5f, 25.0f), 25.0f, PilotMonster::Charging};
    const auto sent = [&](MessageType type, int key) {
        for (const Message& m : out)
            if (m.type == type && m.key == key) return true;
        return false;
    };
    // Straight south: already facing it; the first plan pitches the view, the next throws.
    pilot.plan(v, out);
    ASSERT_FALSE(out.empty());
    EXPECT_FALSE(sent(MessageType::KeyDown, 'W')) << "it stands to throw";
    EXPECT_FALSE(sent(MessageType::KeyDown, VK_SPACE)) << "not before the view is pitched";
    int row = -1;
    for (const Message& m : out)
        if (m.type == MessageType::PointerMove) row = m.y;
    const float pitch =
        ThrowPitch(10.0f - 4.0f * 10.0f / 40.0f - 1.0f, 2.2f + v.monsters[0].y - (v.floorY + 2.1f), 0.016f);
    EXPECT_NEAR(row, (pitch / 0.5f + 1.0f) * 240.0f, 1.0f);
    out.clear();
    v.clock += 0.016f;
    pilot.plan(v, out);
    EXPECT_TRUE(sent(MessageType::KeyDown, VK_SPACE));
    out.clear();
    v.clock += 0.016f;
    pilot.plan(v, out);
    EXPECT_TRUE(sent(MessageType::KeyUp, VK_SPACE)) << "one rock a press";
    EXPECT_FALSE(sent(MessageType::KeyDown, VK_SPACE));

    // With no rocks, or the monster round a wall, it walks on instead.
    for (const bool rocks : {false, true}) {
        Autopilot other(640, 480, 16);
        PilotView w = v;
        w.carriedRocks = rocks ? 2 : 0;
        if (rocks)
            w.monsters[0] = {15.0f, 0.0f, 25.0f,
                             PilotMonster::Charging};  // the side cell, behind the corridor wall
        w.yaw = 0.4636f;
        out.clear();
        other.plan(w, out);
        EXPECT_TRUE(sent(MessageType::KeyDown, 'W')) << (rocks ? "monster out of sight" : "no rocks");
    }
}

}  // namespace
