// The generated models go through the game's own readers, textures and
// drawing, without a single message box.

#include "app/shell.h"
#include "image/texture_cache.h"
#include "math/matrix.h"
#include "model/skinned_model.h"
#include "model/static_model.h"
#include "models/models.h"
#include "platform/headless/headless.h"
#include "support/gl_context.h"
#include "support/temp_folder.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

namespace {

constexpr int Width = 160;
constexpr int Height = 120;

const std::map<std::string, std::string>& mediaTexts() {
    static const std::map<std::string, std::string> texts = [] {
        std::map<std::string, std::string> out;
        std::vector<MediaFile> files;
        std::string error;
        EXPECT_TRUE(makeModelMedia(files, error)) << error;
        for (const MediaFile& f : files) out[f.name] = std::string(f.bytes.begin(), f.bytes.end());
        return out;
    }();
    return texts;
}

std::vector<std::string> messages() {
    std::vector<std::string> out;
    for (const auto& box : platform::headless::MessageBoxes()) out.push_back(box.text);
    return out;
}

TEST(ModelReader, ReadsEveryStaticModelFromMemory) {
    platform::headless::ClearMessageBoxes();
    for (const char* name :
         {"chest.a3f", "rock.a3f", "detector.a3f", "dial.a3f", "transporter.a3f", "bbox.a3f"}) {
        const std::string& text = mediaTexts().at(name);
        StaticModel model;
        ASSERT_TRUE(readStaticModel(model, text.data(), text.size(), name)) << name;
        EXPECT_EQ(model.loaded, 1);
        EXPECT_GT(model.faceCount, 0u);
        // Every material draws a run of faces, and the runs cover them all.
        std::uint32_t covered = 0;
        for (std::uint32_t m = 0; m < model.materialCount; ++m) {
            EXPECT_GT(model.materials[m].faceCount, 0u) << name << " material " << m;
            covered += model.materials[m].faceCount;
        }
        EXPECT_EQ(covered, model.faceCount) << name;
        destroyStaticModel(model);
    }
    EXPECT_TRUE(messages().empty());
}

TEST(ModelReader, ReadsTheMonstersSkeletonAndAnimations) {
    platform::headless::ClearMessageBoxes();
    const std::string& text = mediaTexts().at("monster.a3f");
    SkinnedModel monster;
    ASSERT_TRUE(readSkinnedModel(monster, text.data(), text.size(), "monster.a3f"));
    EXPECT_TRUE(messages().empty());
    ASSERT_NE(monster.bones, nullptr);
    EXPECT_GE(monster.boneCount, 13u);
    EXPECT_GE(monster.rootBone, 0);
    EXPECT_EQ(monster.animationCount, 7u);
    for (const char* name : {"standing", "walking", "duckwalk", "sidestep", "dead", "attack"})
        EXPECT_GT(findAnimation(monster, name), 0) << name;

    // At rest the game's skinning gives back the mesh as written.
    updateSkinnedModel(monster, 0.0f);
    float worst = 0.0f;
    for (std::uint32_t v = 0; v < monster.vertexCount; ++v)
        for (int c = 0; c < 3; ++c)
            worst =
                std::max(worst, std::fabs(monster.skinnedPositions[v][c] - monster.vertices[v].position[c]));
    EXPECT_LT(worst, 1e-4f);
    destroySkinnedModel(monster);
}

// Lowest and highest skinned height.
void heightRange(const SkinnedModel& model, float& low, float& high) {
    low = 1e9f;
    high = -1e9f;
    for (std::uint32_t v = 0; v < model.vertexCount; ++v) {
        low = std::min(low, model.skinnedPositions[v].y);
        high = std::max(high, model.skinnedPositions[v].y);
    }
}

TEST(ModelReader, MonsterWalksOnTheFloorAndFallsDead) {
    const std::string& text = mediaTexts().at("monster.a3f");
    SkinnedModel monster;
    ASSERT_TRUE(readSkinnedModel(monster, text.data(), text.size(), "monster.a3f"));
    // As the game plays them: walking looped at three times speed.
    ASSERT_TRUE(setAnimation(monster, findAnimation(monster, "walking"), true, -0.25f));
    for (int frame = 0; frame < 300; ++frame) {
        updateSkinnedModel(monster, 3.0f / 60.0f);
        if (frame < 30) continue;  // still blending in from the rest pose
        float low, high;
        heightRange(monster, low, high);
        ASSERT_NEAR(low, 0.0f, 0.05f) << frame;
        ASSERT_GT(high, 2.2f) << frame;
    }
    ASSERT_TRUE(setAnimation(monster, findAnimation(monster, "dead"), false, -0.75f));
    for (int frame = 0; frame < 240; ++frame) updateSkinnedModel(monster, 1.0f / 60.0f);
    EXPECT_TRUE(monster.animationFinished);
    float low, high;
    heightRange(monster, low, high);
    EXPECT_LT(high, 0.9f);
    EXPECT_GT(low, -0.2f);
    destroySkinnedModel(monster);
}

// The game leaves a monster undrawn when this sphere is out of view, so it
// must hold in every pose the game shows: each animation looped, blended
// into from the one before, and the dying one to its end.
TEST(ModelReader, MonsterStaysInsideItsPoseRadiusInEveryAnimation) {
    const std::string& text = mediaTexts().at("monster.a3f");
    SkinnedModel monster;
    ASSERT_TRUE(readSkinnedModel(monster, text.data(), text.size(), "monster.a3f"));
    ASSERT_GT(monster.poseRadius, 0.0f);
    ASSERT_EQ(monster.animationCount, 7u);
    float farthest = 0.0f;
    for (std::uint32_t a = 0; a < monster.animationCount; ++a) {
        const bool loop = std::string(monster.animations[a].name) != "dead";
        ASSERT_TRUE(setAnimation(monster, static_cast<int>(a), loop, -0.25f));
        const int steps = static_cast<int>((monster.animations[a].length + 0.25f) * 60.0f) + 30;
        for (int step = 0; step < steps; ++step) {
            updateSkinnedModel(monster, 1.0f / 60.0f);
            for (std::uint32_t v = 0; v < monster.vertexCount; ++v) {
                const Vector3& p = monster.skinnedPositions[v];
                farthest = std::max(farthest, std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z));
            }
            ASSERT_LE(farthest, monster.poseRadius) << monster.animations[a].name << " step " << step;
        }
    }
    // Loose enough to hold, not so loose that it never culls.
    EXPECT_GT(farthest, 0.6f * monster.poseRadius) << farthest << " " << monster.poseRadius;
    destroySkinnedModel(monster);
}

// The media folder filled with every generated file, a context of the
// game's shape and the fixed state the game sets at start-up.
class ModelInGameTest : public GameFolderTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(context_.ok());
        for (const auto& [name, bytes] : mediaTexts()) folder_.writeMedia(name, bytes);
        platform::headless::ClearMessageBoxes();
        ResetTextureCache(true);
        glViewport(0, 0, Width, Height);
        SetFixedGLState();
        glClearColor(0, 0, 0, 0);
    }
    void TearDown() override { DeleteAllTextures(); }

    // The game's projection with a camera at `eye` looking at `target`.
    void look(Vector3 eye, Vector3 target) {
        Vector3 direction{target.x - eye.x, target.y - eye.y, target.z - eye.z};
        const float l = length(direction);
        direction = {direction.x / l, direction.y / l, direction.z / l};
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        const double t = 0.125 * std::tan(0.39269876480102545);
        const double aspect = static_cast<double>(Width) / Height;
        glFrustum(-t * aspect, t * aspect, -t, t, 0.125, 500);
        Matrix4 view;
        buildCameraViewMatrix(eye, direction, {0, 1, 0}, view);
        glMultMatrixf(view.data());
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    void draw(const StaticModel& model) {
        glLoadMatrixf(model.matrix.data());
        glBindTexture(GL_TEXTURE_2D, model.materials[0].texture);
        glCallList(model.displayList);
    }

    template <typename Test>
    int countPixels(Test test) const {
        int n = 0;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) n += test(context_.pixel(x, y), x, y);
        return n;
    }

    OffscreenContext context_{Width, Height};
};

using Pixel = std::array<std::uint8_t, 4>;

TEST_F(ModelInGameTest, StaticModelsLoadWithTheirTexturesAndDraw) {
    struct Expect {
        const char* file;
        AlphaMode alpha;
        Vector3 eye, target;
        int pixels;  // at least this many drawn
    };
    const Expect models[] = {{"chest.a3f", AlphaNone, {0, 2.1f, 3}, {0, 0.35f, 0}, 400},
                             {"rock.a3f", AlphaNone, {0, 0.6f, 1.2f}, {0, 0, 0}, 400},
                             {"detector.a3f", AlphaNone, {0, 1.0f, 1.5f}, {0, 0.12f, 0}, 400},
                             // Mostly see-through: only the sweep, the needle and its hub.
                             {"dial.a3f", AlphaBlackMask, {0, 0.8f, 0.6f}, {0, 0.25f, 0}, 60},
                             {"transporter.a3f", AlphaIlluminance, {0, 2.1f, 6}, {0, 1.5f, 0}, 400}};
    for (const Expect& e : models) {
        StaticModel model;
        compileStaticModel(e.file, model);
        ASSERT_EQ(model.loaded, 1) << e.file;
        ASSERT_NE(model.displayList, NoDisplayList) << e.file;
        EXPECT_TRUE(glIsTexture(model.materials[0].texture)) << e.file;
        EXPECT_EQ(model.materials[0].alphaMode, e.alpha) << e.file;
        look(e.eye, e.target);
        draw(model);
        const int drawn = countPixels([](const Pixel& p, int, int) { return p[0] + p[1] + p[2] > 30; });
        EXPECT_GT(drawn, e.pixels) << e.file;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << e.file;
        destroyStaticModel(model);
    }
    StaticModel body;
    compileStaticModel("bbox.a3f", body);
    EXPECT_EQ(body.loaded, 1);
    destroyStaticModel(body);
    EXPECT_TRUE(messages().empty());
}

// The detector half a unit below the eye and 0.9 ahead, turned half a turn;
// the dial on it turned by DialAngle about the detector's own y axis.
void carry(StaticModel& detector, StaticModel& dial, Vector3 eye, float dialAngle) {
    Matrix4 body, mount, turn;
    makeOrientedMatrix({0, 0, 1}, {0, 1, 0}, eye, body);
    makeEulerMatrix({0, 3.14159f, 0}, {0, -0.5f, 0.9f}, mount);
    multiplyAffine(body, mount, detector.matrix);
    setYawRotation(turn, dialAngle);
    multiplyAffine(detector.matrix, turn, dial.matrix);
}

TEST_F(ModelInGameTest, CarriedDialPointsTheWayItIsTurned) {
    StaticModel detector, dial;
    compileStaticModel("detector.a3f", detector);
    compileStaticModel("dial.a3f", dial);
    ASSERT_EQ(dial.loaded, 1);
    const Vector3 eye{0, 2.1f, 0};
    auto red = [](const Pixel& p, int, int) { return p[0] > 80 && p[0] > 3 * p[1] && p[0] > 3 * p[2]; };
    float centre[2] = {0, 0};
    // A positive angle means a monster to the left of the view, a negative
    // one to the right; the needle's red point must show it.
    for (int side = 0; side < 2; ++side) {
        look(eye, {0, 2.1f, 1});
        carry(detector, dial, eye, side == 0 ? 1.3f : -1.3f);
        draw(detector);
        glClear(GL_COLOR_BUFFER_BIT);  // keep the case's depth, show the dial alone
        draw(dial);
        float sumX = 0.0f;
        int count = 0;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                if (red(context_.pixel(x, y), x, y) && y > Height / 2 && y < Height * 9 / 10) {
                    sumX += static_cast<float>(x);
                    ++count;
                }
        ASSERT_GT(count, 10) << "the needle shows in the lower part of the view";
        centre[side] = sumX / static_cast<float>(count);
    }
    EXPECT_LT(centre[0], Width / 2.0f - 5.0f);
    EXPECT_GT(centre[1], Width / 2.0f + 5.0f);
    destroyStaticModel(detector);
    destroyStaticModel(dial);
    EXPECT_TRUE(messages().empty());
}

TEST_F(ModelInGameTest, MonsterFacesTheWayTheGameHeadsIt) {
    SkinnedModel monster;
    loadSkinnedModel(monster, "monster.a3f");
    ASSERT_EQ(monster.loaded, 1);
    ASSERT_NE(monster.bones, nullptr);
    ASSERT_TRUE(setAnimation(monster, findAnimation(monster, "standing"), true, 0.0f));
    updateSkinnedModel(monster, 0.1f);
    auto eyes = [](const Pixel& p, int, int) { return p[0] > 180 && p[1] > 130 && p[2] < 90; };
    // Heading pi turns +z toward a player standing at the origin.
    int seen[2] = {0, 0};
    for (int turn = 0; turn < 2; ++turn) {
        makeEulerMatrix({0, turn == 0 ? 3.14159f : 0.0f, 0}, {0, 0, 5}, monster.matrix);
        look({0, 2.1f, 0}, {0, 2.1f, 1});
        drawSkinnedModel(monster);
        seen[turn] = countPixels(eyes);
    }
    EXPECT_GT(seen[0], 4);
    EXPECT_EQ(seen[1], 0);  // from behind no eye shows
    destroySkinnedModel(monster);
    EXPECT_TRUE(messages().empty());
}

}  // namespace
