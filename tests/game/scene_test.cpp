#include "game/scene.h"
#include "app/shell.h"
#include "game/game_state.h"
#include "game/media_loading.h"
#include "game/monsters.h"
#include "game/player.h"
#include "game_fixture.h"
#include "platform/headless/headless.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace {

namespace headless = platform::headless;

class SceneTest : public GameTest {
protected:
    // A half-transparent red sheet across the corridor at x = 12, just in
    // front of the player, wherever the transporter lies: seen if it is drawn.
    static void makeTransporterSheet() {
        const float x = 12.0f - TransporterModel.matrix[12];
        TransporterModel.loaded = 1;
        if (TransporterModel.displayList == NoDisplayList) TransporterModel.displayList = glGenLists(1);
        glNewList(TransporterModel.displayList, GL_COMPILE);
        glColor4f(1.0f, 0.0f, 0.0f, 0.5f);
        glBegin(GL_TRIANGLES);
        glVertex3f(x, -50.0f, -50.0f);
        glVertex3f(x, -50.0f, 50.0f);
        glVertex3f(x, 50.0f, 0.0f);
        glEnd();
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        glEndList();
    }

    // One turn of the real loop; the colour at the centre of the frame.
    static std::array<int, 3> frameCentre() {
        headless::AdvanceClock(16);
        RunLoopTurn();
        const auto& pixels = headless::FramePixels();
        const std::size_t at = (240u * 640u + 320u) * 4u;
        return {pixels[at], pixels[at + 1], pixels[at + 2]};
    }
};

TEST_F(SceneTest, CellsMoreThanSixStepsAwayAreNeverDrawn) {
    start();
    RenderScene();
    for (int c = 0; c < 16; ++c) EXPECT_EQ(cellAt(c, 0)->visited, c <= 6) << "cell " << c;
    standAt(75.0f, 5.0f);
    RenderScene();
    for (int c = 0; c < 16; ++c) EXPECT_EQ(cellAt(c, 0)->visited, c >= 1 && c <= 13) << "cell " << c;
}

// Each cell's list replaced by a marker carrying its index; the markers one
// walk from `start` emits, in order.
std::vector<int> walkFrom(CaveCell* start) {
    for (CaveCell* cell = CellList.head; cell; cell = cell->next) {
        glNewList(cell->displayList, GL_COMPILE);
        glPassThrough(static_cast<float>(cell->index));
        glEndList();
        cell->visited = false;
    }
    std::vector<float> feedback(4096);
    glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_2D, feedback.data());
    glRenderMode(GL_FEEDBACK);
    DrawCellTree(start, 0);
    const int used = glRenderMode(GL_RENDER);
    std::vector<int> drawn;
    for (int i = 0; i + 1 < used; i += 2) {
        EXPECT_EQ(feedback[i], static_cast<float>(GL_PASS_THROUGH_TOKEN));
        drawn.push_back(static_cast<int>(feedback[i + 1]));
    }
    return drawn;
}

// Steps from `start` to every cell, along the shortest path.
std::map<int, int> stepsFrom(CaveCell* start) {
    std::map<int, int> steps{{start->index, 0}};
    std::vector<CaveCell*> pending{start};
    for (std::size_t i = 0; i < pending.size(); ++i)
        for (int k = 0; k < pending[i]->connectionCount; ++k) {
            CaveCell* next = pending[i]->neighbours[k];
            if (steps.emplace(next->index, steps[pending[i]->index] + 1).second) pending.push_back(next);
        }
    return steps;
}

void expectCellsWithinSixStepsDrawnOnce(CaveCell* start) {
    const std::vector<int> drawn = walkFrom(start);
    std::map<int, int> times;
    for (int index : drawn) ++times[index];
    for (const auto& [index, steps] : stepsFrom(start)) {
        if (steps <= 6)
            EXPECT_EQ(times[index], 1) << "cell " << index << ", " << steps << " steps from " << start->index;
        else
            EXPECT_EQ(times[index], 0) << "cell " << index << ", " << steps << " steps from " << start->index;
    }
}

TEST_F(SceneTest, ACellFirstReachedAlongALongPathStillShowsItsNearNeighbours) {
    // From S (column 1, row 2) the walk first goes up and round the loop and
    // reaches X (1, 3) at depth 6; Y (0, 4), two steps from S through X, must
    // still be drawn.
    start({
        "#####",
        "##.##",
        "#.#.#",
        "#.#.#",
        ".#..#",
        "#####",
    });
    const std::vector<int> drawn = walkFrom(cellAt(1, 2));
    EXPECT_EQ(std::count(drawn.begin(), drawn.end(), 4 * 5 + 0), 1) << "Y";
    EXPECT_EQ(std::count(drawn.begin(), drawn.end(), 3 * 5 + 1), 1) << "X";
    EXPECT_EQ(drawn.size(), 8u) << "every cell once";
    for (CaveCell* cell = CellList.head; cell; cell = cell->next) expectCellsWithinSixStepsDrawnOnce(cell);
}

TEST_F(SceneTest, EveryCellWithinSixStepsOfARingIsDrawnOnce) {
    start({
        "......",
        ".####.",
        ".####.",
        ".####.",
        "......",
        ".#####",
        ".#####",
    });
    for (CaveCell* cell = CellList.head; cell; cell = cell->next) expectCellsWithinSixStepsDrawnOnce(cell);
}

TEST_F(SceneTest, TheTransporterIsDrawnBlendedOnlyWhenItsCellIsReached) {
    start();
    const std::array<int, 3> corridor = frameCentre();
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    place(TransporterModel, ItemTransporter, 65.0f, 5.0f);  // six steps away
    makeTransporterSheet();
    const std::array<int, 3> through = frameCentre();
    EXPECT_NEAR(through[0], (255 + corridor[0]) / 2, 3) << "half red over the corridor behind";
    EXPECT_NEAR(through[1], corridor[1] / 2, 3);
    EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "blending is off again after the frame";
    EXPECT_EQ(TransporterVisible, 0);

    clearItems(cellAt(6, 0)->items);
    place(TransporterModel, ItemTransporter, 75.0f, 5.0f);  // seven steps away
    makeTransporterSheet();
    EXPECT_EQ(frameCentre(), corridor);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(SceneTest, UnloadedModelsAreSkipped) {
    start();
    place(ChestModels[0], ItemChest, 25.0f, 5.0f);  // loaded is 0: never drawn
    const std::array<int, 3> before = frameCentre();
    ChestModels[0].loaded = 0;
    EXPECT_EQ(frameCentre(), before);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SceneTest, WallsAfterAnItemAreDrawnInTheirOwnColour) {
    start();
    ChestModels[0].loaded = 1;
    ChestModels[0].displayList = glGenLists(1);
    const float red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    glNewList(ChestModels[0].displayList, GL_COMPILE);
    glColor4fv(red);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, red);
    glEndList();
    place(ChestModels[0], ItemChest, 15.0f, 5.0f);

    RenderScene();
    float colour[4], diffuse[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(diffuse[1], 0.8f);
    EXPECT_EQ(diffuse[0], 0.8f);
}

TEST_F(SceneTest, WallsLookTheSameWhateverMaterialAModelLeftBehind) {
    start(Corridor, true);
    frameCentre();  // the first frame of a level may still differ
    frameCentre();
    const std::vector<std::uint8_t> alone = headless::FramePixels();
    frameCentre();
    ASSERT_TRUE(headless::FramePixels() == alone) << "frames of a still scene are equal";

    // A shiny red rock behind the player, drawn before every wall ahead.
    RockModels[0].loaded = 1;
    RockModels[0].displayList = glGenLists(1);
    const float red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    glNewList(RockModels[0].displayList, GL_COMPILE);
    glColor4fv(red);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, red);
    glMateriali(GL_FRONT, GL_SHININESS, 64);
    glEndList();
    place(RockModels[0], ItemRock, 1.0f, 5.0f);
    frameCentre();
    const std::vector<std::uint8_t>& after = headless::FramePixels();
    ASSERT_EQ(after.size(), alone.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < after.size(); ++i) differing += after[i] != alone[i];
    EXPECT_EQ(differing, 0u) << "of " << after.size() << " bytes";
}

}  // namespace
