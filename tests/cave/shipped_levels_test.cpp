#include "app/media_path.h"
#include "app/shell.h"
#include "cave/cave_cell.h"
#include "cave/cave_map.h"
#include "cave/level_build.h"
#include "game/game_state.h"
#include "game/media_loading.h"
#include "game/player.h"
#include "platform/headless/headless.h"
#include "support/temp_folder.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace {

namespace headless = platform::headless;

const std::string ShippedMedia = std::string(UMBRAFALL_GAME_DIR) + "/media/";

// The shipped media copied into a game folder of the test's own.
class ShippedMediaTest : public GameFolderTest {
protected:
    void SetUp() override {
        for (const auto& entry : std::filesystem::directory_iterator(ShippedMedia))
            if (entry.path().filename() != "game.ini")
                std::filesystem::copy_file(entry.path(), folder_.media(entry.path().filename().string()));
        LevelCount = FindLevelFiles();
    }
    void TearDown() override { freeAllCells(); }
};

TEST_F(ShippedMediaTest, EveryLevelBuildsInPlayOrderAndGrows) {
    ASSERT_GE(LevelCount, 6);
    OffscreenContext context(64, 48);
    IsRunning = true;
    int previousCells = 0;
    for (LevelIndex = 0; LevelIndex < LevelCount; ++LevelIndex) {
        EXPECT_EQ(std::string(LevelFiles[LevelIndex]), "cavemap" + std::to_string(LevelIndex + 1) + ".bmp");
        StartLevel();
        ASSERT_TRUE(IsRunning) << LevelFiles[LevelIndex];
        ASSERT_NE(CellList.head, nullptr);
        EXPECT_GE(LevelMap.width * LevelMap.height, previousCells) << LevelFiles[LevelIndex];
        previousCells = LevelMap.width * LevelMap.height;
    }
    EXPECT_GE(previousCells, 900) << "the last level uses most of the 32 x 32 grid";
    EXPECT_TRUE(headless::MessageBoxes().empty());
}

void WritePpm(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgba) {
    std::ofstream file(path, std::ios::binary);
    file << "P6\n" << width << ' ' << height << "\n255\n";
    for (std::size_t i = 0; i < rgba.size(); i += 4) file.write(reinterpret_cast<const char*>(&rgba[i]), 3);
}

// Walks from (x, z) in small steps of (dx, dz) with the game's collision.
const CaveCell* walkStraight(const CaveCell* cell, float x, float z, float dx, float dz, int steps,
                             Vector3& at) {
    at = {x, 0.0f, z};
    for (int i = 0; i < steps; ++i) {
        Vector3 to{at.x + dx, 0.0f, at.z + dz};
        CaveCell* next = nullptr;
        if (MoveInCell(*cell, at, to, next, nullptr) & CrossedPortal) cell = next;
        at = to;
    }
    return cell;
}

TEST_F(ShippedMediaTest, WalkingAlongACellCentreLineIsHeldByTheCorridorWalls) {
    OffscreenContext context(64, 48);
    LevelIndex = 0;
    ASSERT_TRUE(BuildLevel());
    // Column 2, row 0 of the first level: a corridor from west to east.
    const CaveCell* corridor = CellTable[0 * LevelMap.width + 2];
    ASSERT_NE(corridor, nullptr);
    Vector3 at;
    for (const float dz : {-0.05f, 0.05f}) {
        EXPECT_EQ(walkStraight(corridor, 25.0f, 5.0f, 0.0f, dz, 400, at), corridor) << "dz " << dz;
        EXPECT_EQ(at.x, 25.0f);
        EXPECT_GE(at.z, 0.0f) << "dz " << dz;
        EXPECT_LE(at.z, 10.0f) << "dz " << dz;
    }
    // Just off the line the walls held before too; they still do.
    EXPECT_EQ(walkStraight(corridor, 25.01f, 5.0f, 0.0f, -0.05f, 400, at), corridor);
    EXPECT_GE(at.z, 0.0f);
}

// The first level from where the player starts, lit by the lamp at the eye.
TEST_F(ShippedMediaTest, FirstLevelFromTheStartShowsLitTexturedRock) {
    folder_.writeMedia("game.ini", "[Game]\nLights=1\nUseHiQualTex=1\n");
    headless::SetClock(1000);
    const float background[4] = {0.05f, 0.05f, 0.05f, 0.0f};
    ASSERT_TRUE(InitApplication(background));
    CaveTexture = LoadTexture("Cliffs1.jpg", AlphaNone, 0.0f);
    ASSERT_NE(CaveTexture, 0u);
    LevelIndex = 0;
    ASSERT_TRUE(BuildLevel());

    // Look down the first passage out of the start cell.
    const CaveCell& start = *PlayerCell;
    ASSERT_GT(start.connectionCount, 0);
    const CaveCell& next = *start.neighbours[0];
    PlayerPos.y = 2.1f;
    ViewDir = {next.x - start.x, 0.0f, next.z - start.z};
    const float length = std::sqrt(ViewDir.x * ViewDir.x + ViewDir.z * ViewDir.z);
    ViewDir = {ViewDir.x / length, -0.1f, ViewDir.z / length};
    buildCameraViewMatrix(PlayerPos, ViewDir, WorldUp, ViewMatrix);
    LightRecord& lamp = LightTable[0];
    lamp.position[0] = PlayerPos.x;
    lamp.position[1] = PlayerPos.y;
    lamp.position[2] = PlayerPos.z;
    lamp.position[3] = 1.0f;
    glLightf(GL_LIGHT0, GL_LINEAR_ATTENUATION, 0.25f);
    glLightf(GL_LIGHT0, GL_CONSTANT_ATTENUATION, 0.0f);

    headless::AdvanceClock(16);
    ASSERT_GT(TickFrameClock(), 0.0f);
    glMultMatrixf(ViewMatrix.data());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, lamp.position);
    glBindTexture(GL_TEXTURE_2D, CaveTexture);
    for (const CaveCell* cell = CellList.head; cell; cell = cell->next) glCallList(cell->displayList);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const std::vector<std::uint8_t>& pixels = headless::FramePixels();
    if (const char* folder = std::getenv("UMBRAFALL_SCREENSHOT_DIR"))
        WritePpm(std::string(folder) + "/first_level.ppm", 640, 480, pixels);
    int background_pixels = 0;
    std::set<int> shades;
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        if (pixels[i] == 13 && pixels[i + 1] == 13 && pixels[i + 2] == 13) ++background_pixels;
        shades.insert(pixels[i] << 16 | pixels[i + 1] << 8 | pixels[i + 2]);
    }
    EXPECT_LT(background_pixels, 640 * 480 / 50) << "the cave closes the view all round";
    EXPECT_GT(shades.size(), 2000u) << "lit, textured rock rather than flat colour";
}

}  // namespace
