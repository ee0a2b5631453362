#include "app/input.h"
#include "app/settings.h"
#include "app/shell.h"
#include "platform/headless/headless.h"
#include "support/gl_context.h"
#include "support/level_maps.h"
#include "support/temp_folder.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using platform::MessageType;
namespace headless = platform::headless;

const float Background[4] = {0.05f, 0.05f, 0.05f, 0.0f};

class MainLoopTest : public GameFolderTest {
protected:
    void TearDown() override { ReleaseProgramObjects(); }

    void start(const std::string& ini = "[Game]\nLights=1\n") {
        folder_.writeMedia("game.ini", ini);
        headless::SetClock(1000);
        ASSERT_TRUE(InitApplication(Background));
    }

    // One loop turn after the clock moved on; true when a frame was drawn.
    static bool turnAfter(std::uint32_t milliseconds) {
        headless::AdvanceClock(milliseconds);
        const int before = headless::Window().swaps;
        RunLoopTurn();
        return headless::Window().swaps > before;
    }

    static void keyDown(int key) { headless::PushMessage({MessageType::KeyDown, key, 0, 0}); }
    static void keyUp(int key) { headless::PushMessage({MessageType::KeyUp, key, 0, 0}); }
};

TEST_F(MainLoopTest, FramesNeedFifteenMillisecondsAndShortTurnsAddUp) {
    start();
    EXPECT_FALSE(turnAfter(10));
    EXPECT_EQ(FrameTime, 0.0f);
    EXPECT_TRUE(turnAfter(6));
    EXPECT_NEAR(FrameTime, 0.016f, 1e-5f) << "the 10 ms turn carries into the next frame";
    EXPECT_TRUE(turnAfter(16));
    EXPECT_NEAR(FrameTime, 0.016f, 1e-5f);
    EXPECT_FALSE(turnAfter(0));
}

TEST_F(MainLoopTest, PauseStopsDrawingAndResumesWithoutATimeJump) {
    start();
    ASSERT_TRUE(turnAfter(16));
    keyDown('P');
    EXPECT_FALSE(turnAfter(16)) << "the frame that sees P pauses";
    EXPECT_TRUE(IsPaused);
    keyUp('P');
    for (int i = 0; i < 100; ++i) ASSERT_FALSE(turnAfter(20));

    keyDown('P');
    EXPECT_TRUE(turnAfter(17));
    EXPECT_FALSE(IsPaused);
    EXPECT_NEAR(FrameTime, 0.017f, 1e-5f) << "two seconds of pause are not one long frame";
}

TEST_F(MainLoopTest, EscapeEndsTheLoopEvenWhilePaused) {
    start();
    KeyState['P'] = 1;
    ASSERT_FALSE(turnAfter(16));
    ASSERT_TRUE(IsPaused);
    headless::PushMessage({MessageType::KeyDown, VK_ESCAPE, 0, 0});
    EXPECT_FALSE(RunLoopTurn());
    EXPECT_FALSE(IsRunning);
    EXPECT_FALSE(platform::WindowIsOpen());
    EXPECT_FALSE(RunLoopTurn());
}

TEST_F(MainLoopTest, FrameShowsTheClearColourAndLeavesTheProjectionMode) {
    start();
    ASSERT_TRUE(turnAfter(16));
    const auto& pixels = headless::FramePixels();
    const std::size_t centre = (240 * 640 + 320) * 4;
    EXPECT_EQ(pixels[centre], 13);  // 0.05 of 255
    EXPECT_EQ(pixels[centre + 1], 13);
    EXPECT_EQ(pixels[centre + 2], 13);
    GLint mode = 0, depth = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(mode, GL_PROJECTION);
    EXPECT_EQ(depth, 1) << "every pushed projection is popped";
}

std::array<float, 4> Material(GLenum what) {
    std::array<float, 4> colour{-1, -1, -1, -1};
    glGetMaterialfv(GL_FRONT, what, colour.data());
    return colour;
}

TEST_F(MainLoopTest, StartUpSetsTheFixedStateAndOneDirectionalLight) {
    start("[Game]\nLights=1\nUseScreenRes=1\n");
    EXPECT_EQ(Settings.Width, 800);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
    for (GLenum cap : {GL_DEPTH_TEST, GL_CULL_FACE, GL_TEXTURE_2D, GL_LIGHTING, GL_LIGHT0, GL_VERTEX_ARRAY,
                       GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY})
        EXPECT_TRUE(glIsEnabled(cap)) << std::hex << cap;
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint blendSource = 0, cullFace = 0, frontFace = 0;
    glGetIntegerv(GL_BLEND_SRC, &blendSource);
    glGetIntegerv(GL_CULL_FACE_MODE, &cullFace);
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    EXPECT_EQ(blendSource, GL_SRC_ALPHA);
    EXPECT_EQ(cullFace, GL_BACK);
    EXPECT_EQ(frontFace, GL_CCW);

    EXPECT_EQ(LightTable[0].enabled, 1);
    EXPECT_EQ(LightTable[1].enabled, 0);
    float diffuse[4];
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    EXPECT_EQ(diffuse[0], 1.0f);
    EXPECT_EQ(Material(GL_AMBIENT), (std::array<float, 4>{0, 0, 0, 1}));
    EXPECT_EQ(Material(GL_EMISSION), (std::array<float, 4>{0, 0, 0, 1}));
    EXPECT_EQ(Material(GL_SPECULAR), (std::array<float, 4>{1, 1, 1, 1}));

    // The start-up view: eye at (0, 1, -5) looking down +z.
    EXPECT_EQ(ViewMatrix[0], -1.0f);
    EXPECT_EQ(ViewMatrix[10], -1.0f);
    EXPECT_EQ(ViewMatrix[13], -1.0f);
    EXPECT_EQ(ViewMatrix[14], -5.0f);
}

TEST_F(MainLoopTest, LightsOffLeavesEveryMaterialColourZero) {
    start("[Game]\nLights=0\n");
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(LightTable[0].enabled, 0);
    for (GLenum what : {GL_AMBIENT, GL_EMISSION, GL_SPECULAR})
        EXPECT_EQ(Material(what), (std::array<float, 4>{0, 0, 0, 0}));
}

TEST_F(MainLoopTest, PerspectiveIsA45DegreeFrustumOverTheAspect) {
    headless::SetDesktopSize(1920, 1080);
    start("[Game]\nUseScreenRes=3\n");
    EXPECT_EQ(Settings.Width, 1920);
    EXPECT_EQ(Settings.Height, 1080);
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    // glFrustum: element 5 is near / half-height; the half-height is about 0.0518.
    EXPECT_NEAR(0.125f / projection[5], 0.0518f, 1e-4f);
    EXPECT_NEAR(projection[5] / projection[0], 1920.0f / 1080.0f, 1e-4f);
}

TEST_F(MainLoopTest, FatalErrorShowsItsBoxAndEndsTheGame) {
    start();
    ShowFatalError();
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    const auto& box = headless::MessageBoxes()[0];
    EXPECT_EQ(box.text, "Could not load media. The application cannot continue.");
    EXPECT_EQ(box.caption, "SHUTDOWN ERROR");
    EXPECT_EQ(box.icon, platform::MessageIcon::Error);
    EXPECT_FALSE(IsRunning);
    EXPECT_FALSE(platform::WindowIsOpen());
}

// A ring of corridor round the top-left of an 8 x 8 grid.
const std::initializer_list<const char*> RingLevel = {
    ".......#", ".#####.#", ".#####.#", ".#####.#", ".#####.#", ".......#", "########", "########",
};

TEST_F(MainLoopTest, WholeRunEndsOnQuitWithStatusZeroAndStoresTheSettings) {
    folder_.writeMedia("cavemap1.bmp", levelBitmap(RingLevel));
    folder_.writeMedia("game.ini", "; the player's notes\n[Game]\nMusic=1\n");
    headless::PushMessage({MessageType::KeyDown, 'Q', 0, 0});
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_FALSE(platform::WindowIsOpen());
    ReleaseProgramObjects();
    EXPECT_EQ(folder_.readMedia("game.ini"),
              "; the player's notes\n[Game]\nMusic=1\nWindowed=1\nLights=0\nJoystick=0\nUseHiQualTex=0\n"
              "Width=640\nHeight=480\nUseScreenRes=0\n");
}

// The program to its very end as main runs it, in a process of its own. Mesa
// reports each GL call made without a current context on stderr when
// MESA_DEBUG is set, as the cells' and models' teardown once did.
TEST_F(MainLoopTest, ProgramExitMakesNoGLCallWithoutAContext) {
    folder_.writeMedia("cavemap1.bmp", levelBitmap(RingLevel));
    // The child runs this test again in a folder of its own; the log is the parent's.
    if (!std::getenv("UMBRAFALL_EXIT_LOG"))
        setenv("UMBRAFALL_EXIT_LOG", (folder_.path() + "/exit.log").c_str(), 1);
    const std::string log = std::getenv("UMBRAFALL_EXIT_LOG");
    setenv("MESA_DEBUG", "1", 1);
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process that reads it from the start
    EXPECT_EXIT(
        {
            if (!std::freopen(log.c_str(), "w", stderr)) std::_Exit(3);
            std::atexit(ReleaseProgramObjects);
            headless::PushMessage({MessageType::KeyDown, 'Q', 0, 0});
            std::exit(RunProgram());
        },
        testing::ExitedWithCode(0), "");
    unsetenv("MESA_DEBUG");
    unsetenv("UMBRAFALL_EXIT_LOG");
    std::FILE* file = std::fopen(log.c_str(), "r");
    ASSERT_NE(file, nullptr) << "the child wrote no log";
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
    std::fclose(file);
    EXPECT_EQ(text.find("no-op"), std::string::npos) << text;
}

TEST_F(MainLoopTest, NoLevelToPlayEndsWithTheFatalBox) {
    EXPECT_EQ(RunProgram(), -1);
    // Each missing file is reported on its way; the fatal box comes last.
    const auto& boxes = headless::MessageBoxes();
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Unable to load the texture file: Cliffs1.jpg The application will continue.");
    for (std::size_t i = 0; i + 1 < boxes.size(); ++i) EXPECT_EQ(boxes[i].caption, "ERROR");
    EXPECT_EQ(boxes.back().text, "Could not load media. The application cannot continue.");
    EXPECT_EQ(boxes.back().caption, "SHUTDOWN ERROR");
    EXPECT_TRUE(boxes.back().ownedByWindow);
    EXPECT_FALSE(platform::WindowIsOpen());
}

TEST_F(MainLoopTest, WindowThatCannotOpenEndsStartUpWithoutAMessage) {
    folder_.writeMedia("game.ini", "[Game]\nWindowed=0\nUseScreenRes=2\n");  // 1024 x 800, not a mode here
    EXPECT_EQ(RunProgram(), -1);
    EXPECT_FALSE(IsRunning);
    EXPECT_TRUE(headless::MessageBoxes().empty());
}

}  // namespace
