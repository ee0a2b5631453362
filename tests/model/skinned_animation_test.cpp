#include "model/skinned_model.h"
#include "model_test_support.h"
#include "platform/headless/headless.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <string>

extern std::atomic<long> AllocationCount;

namespace {

constexpr int Bend = 0, Lift = 1;

class SkinnedAnimationTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::headless::ClearMessageBoxes();
        const std::string text = ArmFile();
        ASSERT_TRUE(readSkinnedModel(arm_, text.data(), text.size(), "arm.a3f"));
        ASSERT_NE(arm_.bones, nullptr);
    }

    Bone& Hip() { return arm_.bones[findBone(arm_, "hip")]; }
    float HipHeight() { return Hip().world[13]; }

    SkinnedModel arm_;
};

TEST_F(SkinnedAnimationTest, LoopingRunsFromTheLastKeyBackToKeyZero) {
    ASSERT_TRUE(setAnimation(arm_, Lift, true, 1.4f));
    updateSkinnedModel(arm_, 0.1f);
    EXPECT_NEAR(HipHeight(), 1.0f, 1e-5f);  // halfway from key 1 (2) to key 0 (0)
    EXPECT_NEAR(arm_.skinnedPositions[0].y, 1.0f, 1e-5f);
    updateSkinnedModel(arm_, 0.7f);
    EXPECT_NEAR(arm_.animations[Lift].time, 0.2f, 1e-5f);
    EXPECT_NEAR(HipHeight(), 0.4f, 1e-5f);
    EXPECT_FALSE(arm_.animationFinished);
}

TEST_F(SkinnedAnimationTest, OnceThroughFinishesWithoutChangingThePose) {
    setAnimation(arm_, Lift, false, 1.5f);
    updateSkinnedModel(arm_, 0.4f);
    EXPECT_NEAR(HipHeight(), 0.2f, 1e-5f);
    const Matrix4 before = Hip().local;
    updateSkinnedModel(arm_, 0.2f);
    EXPECT_TRUE(arm_.animationFinished);
    EXPECT_FLOAT_EQ(arm_.animations[Lift].time, 1.9f);
    EXPECT_EQ(std::memcmp(&before, &Hip().local, sizeof before), 0);
    Hip().local[13] = 5.0f;  // a finished animation only recomputes the world matrices
    updateSkinnedModel(arm_, 0.1f);
    EXPECT_EQ(HipHeight(), 5.0f);
    EXPECT_FLOAT_EQ(arm_.animations[Lift].time, 1.9f);
}

TEST_F(SkinnedAnimationTest, ReachingTheLengthExactlyNeitherWrapsNorFinishes) {
    for (bool loop : {false, true}) {
        setAnimation(arm_, Lift, loop, 1.5f);
        updateSkinnedModel(arm_, 0.5f);
        EXPECT_EQ(arm_.animations[Lift].time, 2.0f);
        EXPECT_FALSE(arm_.animationFinished);
        EXPECT_NEAR(HipHeight(), 0.0f, 1e-6f);  // the end is key 0's pose
    }
}

TEST_F(SkinnedAnimationTest, BlendInMovesTheShareOfTheTimeLeft) {
    Hip().local[13] = 4.0f;
    setAnimation(arm_, Lift, false, -0.5f);
    updateSkinnedModel(arm_, 0.1f);
    EXPECT_NEAR(arm_.animations[Lift].time, -0.4f, 1e-6f);
    EXPECT_NEAR(Hip().local[13], 3.0f, 1e-5f);  // a quarter of the way to key 0
    updateSkinnedModel(arm_, 0.3f);
    EXPECT_NEAR(Hip().local[13], 0.0f, 1e-6f);
    EXPECT_NEAR(arm_.animations[Lift].time, -0.1f, 1e-6f);
    EXPECT_FLOAT_EQ(arm_.bones[findBone(arm_, "knee")].local[12], 1.0f);  // not in the animation
}

TEST_F(SkinnedAnimationTest, ZeroSpanHoldsTheKeyPose) {
    arm_.animations[Lift].keys[1].time = 2.0f;  // the wrap to key 0 takes no time
    setAnimation(arm_, Lift, false, 1.5f);
    updateSkinnedModel(arm_, 0.5f);
    EXPECT_EQ(HipHeight(), 2.0f);
}

TEST_F(SkinnedAnimationTest, ChoosingAnimations) {
    SkinnedModel none;
    EXPECT_FALSE(setAnimation(none, 0, false, 0.0f));
    EXPECT_EQ(none.currentAnimation, -1);
    EXPECT_FALSE(setAnimation(arm_, 2, false, 0.0f));
    setAnimation(arm_, Lift, false, 0.0f);
    arm_.animationFinished = true;
    EXPECT_TRUE(setAnimation(arm_, Bend, true, 0.5f));
    EXPECT_FALSE(arm_.animationFinished);
    EXPECT_TRUE(arm_.animations[Bend].loop);
    EXPECT_EQ(arm_.animations[Bend].time, 0.5f);
    EXPECT_TRUE(setAnimation(arm_, -1, false, 0.0f));
    Hip().local[13] = 3.0f;
    updateSkinnedModel(arm_, 0.5f);
    EXPECT_EQ(Hip().local[13], 3.0f);
    EXPECT_EQ(HipHeight(), 0.0f);  // nothing was posed
}

TEST_F(SkinnedAnimationTest, SkinsKnownVertices) {
    updateSkinnedModel(arm_, 0.1f);  // no animation chosen: the bind pose
    const float rest[5][3] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {0, 0, 0}};
    for (int v = 0; v < 5; ++v) {
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(arm_.skinnedPositions[v][k], rest[v][k], 1e-6f) << v;
    }
    EXPECT_NEAR(arm_.skinnedNormals[1].x, 1.0f, 1e-6f);  // each bone's share is normalised

    setAnimation(arm_, Bend, false, 1.0f);  // the knee turned 90 degrees
    updateSkinnedModel(arm_, 0.0f);
    const float posed[5][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 2, 0}, {0, 0, 0}};
    const float normals[5][3] = {{1, 0, 0}, {0, 1, 0}, {0, 1, 0}, {0, 1, 0}, {0, 0, 0}};
    for (int v = 0; v < 5; ++v) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(arm_.skinnedPositions[v][k], posed[v][k], 1e-5f) << v;
            EXPECT_NEAR(arm_.skinnedNormals[v][k], normals[v][k], 1e-5f) << v;
        }
    }
}

TEST_F(SkinnedAnimationTest, UnlitModelsSkinPositionsAloneAndCopiesStayUnlit) {
    SkinnedModel lit;
    copySkinnedModel(lit, arm_);
    arm_.skinNormals = false;
    SkinnedModel copy;
    copySkinnedModel(copy, arm_);
    EXPECT_FALSE(copy.skinNormals);
    for (SkinnedModel* model : {&arm_, &lit}) {
        setAnimation(*model, Bend, false, 1.0f);
        updateSkinnedModel(*model, 0.0f);
    }
    for (std::uint32_t v = 0; v < arm_.vertexCount; ++v) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(arm_.skinnedPositions[v][k], lit.skinnedPositions[v][k]) << v;
            EXPECT_EQ(arm_.skinnedNormals[v][k], arm_.vertices[v].normal[k]) << v;  // left at rest
        }
    }
    EXPECT_NEAR(lit.skinnedNormals[2].y, 1.0f, 1e-5f);
}

// Seven weights on one bone: the first four are skinned side by side, the
// last three one at a time, on copies of vertices 1, 3 and 0 (vertex 2's
// normal is zero). The same vertex must come out the same to the bit,
// whichever way it went, and each at its own place.
TEST(SkinningTest, WeightsSkinnedTogetherMatchWeightsSkinnedAlone) {
    const char* rest[4] = {"0.1 0.2 0.3  0.3 0.4 0.5", "-1 2 -3  0 0 -2", "4 -5 6  0 0 0", "7 8 9  0.6 -0.7 0.1"};
    std::string text = "A3F VERSION { 1.0 }\nVERTICES { POSITION_NORMAL_TEXCOORDS 7\n";
    for (int v : {0, 1, 2, 3, 1, 3, 0}) text += std::string("  ") + rest[v] + "  0 0\n";
    text += "}\nFACES { 1  0 1 2 0 }\nMATERIALS { 1" + Material("1 1 1 1") + "}\n";
    text += "BONES { 1 BONE { NAME root PARENT NONE MATRIX 1 0 0 0  0 1 0 0  0 0 1 0  0 0 0 1\n";
    text += "  VERTEX_WEIGHTS { 7  0 0.7  1 0.3  2 0.9  3 0.45  4 0.3  5 0.45  6 0.7 } } }\n";
    SkinnedModel model;
    ASSERT_TRUE(readSkinnedModel(model, text.data(), text.size(), "seven.a3f"));
    ASSERT_NE(model.bones, nullptr);
    // Turned, stretched unevenly and moved, so every normal needs its length restored.
    const float world[16] = {0.8f, 0.6f, 0.1f, 0, -1.2f, 1.6f, 0.3f, 0, 0.2f, -0.1f, 2.5f, 0, 3.0f, -4.0f, 0.5f, 1};
    std::copy(std::begin(world), std::end(world), model.bones[0].world.m);
    std::fill_n(model.skinnedPositions, model.vertexCount, Vector3{});
    std::fill_n(model.skinnedNormals, model.vertexCount, Vector3{});
    skinBones(model);

    const Vector3* p = model.skinnedPositions;
    const Vector3* n = model.skinnedNormals;
    for (const auto& [alone, together] : {std::pair{4, 1}, std::pair{5, 3}, std::pair{6, 0}}) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(p[alone][k], p[together][k]) << alone;
            EXPECT_EQ(n[alone][k], n[together][k]) << alone;
        }
    }
    EXPECT_NEAR(p[0].x, 0.7f * (0.8f * 0.1f - 1.2f * 0.2f + 0.2f * 0.3f + 3.0f), 1e-6f);
    EXPECT_NEAR(length(n[1]), 0.3f, 1e-6f);  // a share as long as its weight
    EXPECT_NEAR(length(n[3]), 0.45f, 1e-6f);
    EXPECT_EQ(n[2].x, 0.0f);
    EXPECT_EQ(n[2].y, 0.0f);
    EXPECT_EQ(n[2].z, 0.0f);
    destroySkinnedModel(model);
}

TEST_F(SkinnedAnimationTest, PerFrameWorkAllocatesNothing) {
    setAnimation(arm_, Bend, true, -0.3f);
    const long before = AllocationCount.load();
    for (int frame = 0; frame < 200; ++frame) {
        updateSkinnedModel(arm_, 0.015f * static_cast<float>(frame % 7));
        computeWorldMatrices(arm_);
        skinBones(arm_);
    }
    EXPECT_EQ(AllocationCount.load(), before);
    EXPECT_GT(arm_.animations[Bend].time, 0.0f);
}

// The quads in `format` with `materials`, every vertex on one root bone.
std::string Rig(const std::string& format, const std::string& materials) {
    return "A3F " + QuadVertices(format) + QuadFaces + materials +
           " BONES { 1 BONE { NAME all PARENT NONE VERTEX_WEIGHTS { 8 0 1 1 1 2 1 3 1 4 1 5 1 6 1 7 1 } } }";
}

class SkinnedDrawTest : public ModelGlTest {};

TEST_F(SkinnedDrawTest, EachMaterialDrawsWithItsOwnTexture) {
    folder_.writeMedia("red.tga", SolidTarga(255, 0, 0));
    folder_.writeMedia("blue.tga", SolidTarga(0, 0, 255));
    folder_.writeMedia(
        "rig.a3f", Rig("POSITION_NORMAL_TEXCOORDS", "MATERIALS { 2" + Material("1 1 1 1", "red.tga") +
                                                        Material("1 1 1 1", "blue.tga", "LUMINANCE") + "}"));
    SkinnedModel rig;
    loadSkinnedModel(rig, "rig.a3f");
    ASSERT_NE(rig.bones, nullptr);
    updateSkinnedModel(rig, 0.0f);
    drawSkinnedModel(rig);
    const auto left = context_.pixel(3, 8), right = context_.pixel(12, 8);
    EXPECT_EQ(left[0], 255);
    EXPECT_EQ(left[2], 0);
    EXPECT_EQ(right[0], 0);
    EXPECT_NEAR(right[2], 170, 2);  // blended by the texture's alpha, 255 - 255 / 3
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    destroySkinnedModel(rig);
}

TEST_F(SkinnedDrawTest, MissingArraysAreOffDuringTheDrawAndBackOnAfter) {
    const std::string plain = "MATERIALS { 2 MATERIAL { DIFFUSE 1 1 1 1 } MATERIAL { DIFFUSE 1 1 1 1 } }";
    const float staleCoords[16] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    float staleNormals[24] = {};
    for (int v = 0; v < 8; ++v) staleNormals[3 * v + 2] = -1.0f;
    glTexCoordPointer(2, GL_FLOAT, 0, staleCoords);
    glNormalPointer(GL_FLOAT, 0, staleNormals);
    glTexCoord2f(0.25f, 0.75f);
    glNormal3f(0, 0, 1);
    const float noAmbient[4] = {0, 0, 0, 1}, towardViewer[4] = {0, 0, 1, 0};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, noAmbient);
    glLightfv(GL_LIGHT0, GL_POSITION, towardViewer);
    glEnable(GL_LIGHT0);

    for (const char* format : {"POSITION_NORMAL", "POSITION_TEXCOORDS"}) {
        const std::string text = Rig(format, plain);
        SkinnedModel rig;
        ASSERT_TRUE(readSkinnedModel(rig, text.data(), text.size(), "rig.a3f"));
        updateSkinnedModel(rig, 0.0f);
        if (!rig.hasNormals)
            glEnable(GL_LIGHTING);  // lit by the current normal: white; by the stale one: black
        const auto corners = Feedback([&] { drawSkinnedModel(rig); });
        glDisable(GL_LIGHTING);
        ASSERT_EQ(corners.size(), 12u) << format;
        for (const FeedbackVertex& corner : corners) {
            if (!rig.hasTexCoords) {
                EXPECT_EQ(corner[7], 0.25f);
                EXPECT_EQ(corner[8], 0.75f);
            } else {
                EXPECT_NEAR(corner[3], 1.0f, 0.01f);
            }
        }
        EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
        EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    }

    const std::string rootless = "A3F " + QuadVertices("POSITION_NORMAL") + QuadFaces + plain +
                                 " BONES { 1 BONE { NAME all PARENT nobody } }";
    SkinnedModel broken;
    ASSERT_TRUE(readSkinnedModel(broken, rootless.data(), rootless.size(), "broken.a3f"));
    updateSkinnedModel(broken, 0.1f);
    EXPECT_TRUE(Feedback([&] { drawSkinnedModel(broken); }).empty());
}

}  // namespace

TEST_F(SkinnedAnimationTest, CopiesShareWhatNeverChangesAndPoseThemselves) {
    SkinnedModel copy;
    copySkinnedModel(copy, arm_);
    ASSERT_NE(copy.bones, nullptr);
    ASSERT_EQ(copy.boneCount, arm_.boneCount);
    EXPECT_NE(copy.bones, arm_.bones);
    EXPECT_NE(copy.skinnedPositions, arm_.skinnedPositions);
    EXPECT_NE(copy.animations, arm_.animations);
    EXPECT_EQ(copy.faces, arm_.faces);
    EXPECT_EQ(copy.vertices, arm_.vertices);
    EXPECT_EQ(copy.texCoordArray, arm_.texCoordArray);
    for (std::uint32_t b = 0; b < copy.boneCount; ++b) {
        EXPECT_EQ(copy.bones[b].weights, arm_.bones[b].weights);
        if (arm_.bones[b].parent) {
            EXPECT_EQ(copy.bones[b].parent, copy.bones + (arm_.bones[b].parent - arm_.bones)) << b;
        }
        if (arm_.bones[b].firstChild) {
            EXPECT_EQ(copy.bones[b].firstChild, copy.bones + (arm_.bones[b].firstChild - arm_.bones)) << b;
        }
    }
    for (std::uint32_t a = 0; a < copy.animationCount; ++a)
        EXPECT_EQ(copy.animations[a].keys, arm_.animations[a].keys);
    // The copy holds no share of the source's arrays.
    EXPECT_EQ(copy.meshStore, nullptr);
    EXPECT_EQ(arm_.skeletonStore.use_count(), 1);
    EXPECT_EQ(arm_.meshStore.use_count(), 1);

    const float restY = arm_.skinnedPositions[0].y;
    ASSERT_TRUE(setAnimation(copy, Lift, true, 1.4f));
    updateSkinnedModel(copy, 0.1f);
    const Bone& copyHip = copy.bones[findBone(copy, "hip")];
    EXPECT_NEAR(copyHip.world[13], 1.0f, 1e-5f);  // as the source itself does in the loop test
    EXPECT_NEAR(copy.skinnedPositions[0].y, 1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(arm_.skinnedPositions[0].y, restY);
    EXPECT_NEAR(arm_.animations[Lift].time, 0.0f, 1e-6f);

    destroySkinnedModel(copy);
    EXPECT_EQ(copy.bones, nullptr);
    ASSERT_NE(arm_.bones, nullptr);
    updateSkinnedModel(arm_, 0.0f);  // the source's arrays are still whole
    EXPECT_EQ(arm_.skeletonStore.use_count(), 1);
}

TEST_F(SkinnedAnimationTest, PoseRadiusHoldsEveryFrameOfEveryAnimation) {
    ASSERT_GT(arm_.poseRadius, 0.0f);
    for (int animation : {Bend, Lift}) {
        ASSERT_TRUE(setAnimation(arm_, animation, true, 0.0f));
        for (int step = 0; step < 40; ++step) {
            updateSkinnedModel(arm_, 0.05f);
            for (std::uint32_t v = 0; v < arm_.vertexCount; ++v) {
                const Vector3& p = arm_.skinnedPositions[v];
                EXPECT_LE(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z), arm_.poseRadius)
                    << "animation " << animation << " step " << step << " vertex " << v;
            }
        }
    }
}

TEST_F(SkinnedAnimationTest, AFinishedPoseIsNotSkinnedAgain) {
    ASSERT_TRUE(setAnimation(arm_, Lift, false, 0.0f));
    updateSkinnedModel(arm_, 5.0f);  // past the end
    updateSkinnedModel(arm_, 0.1f);
    ASSERT_TRUE(arm_.animationFinished);
    arm_.skinnedPositions[0].x = 42.0f;  // a stale value would be rewritten
    updateSkinnedModel(arm_, 0.1f);
    EXPECT_EQ(arm_.skinnedPositions[0].x, 42.0f);
    ASSERT_TRUE(setAnimation(arm_, Bend, true, 0.0f));
    updateSkinnedModel(arm_, 0.1f);
    EXPECT_NE(arm_.skinnedPositions[0].x, 42.0f);
}

TEST_F(SkinnedDrawTest, APosedModelIsSkinnedOnlyWhenDrawnInView) {
    const std::string text = ArmFile();
    SkinnedModel arm;
    ASSERT_TRUE(readSkinnedModel(arm, text.data(), text.size(), "arm.a3f"));
    SkinnedModel reference;
    copySkinnedModel(reference, arm);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    ASSERT_TRUE(setAnimation(arm, Lift, true, 0.0f));
    ASSERT_TRUE(setAnimation(reference, Lift, true, 0.0f));
    const float restY = arm.skinnedPositions[0].y;

    arm.matrix[12] = 2.0f + 2.0f * arm.poseRadius;  // wholly right of the view
    for (int step = 0; step < 3; ++step) {
        poseSkinnedModel(arm, 0.3f);
        updateSkinnedModel(reference, 0.3f);
        EXPECT_FALSE(drawSkinnedModelInView(arm));
    }
    EXPECT_NEAR(arm.bones[findBone(arm, "hip")].world[13], 1.8f, 1e-5f);  // posed all the same
    EXPECT_EQ(arm.skinnedPositions[0].y, restY);

    arm.matrix[12] = 0.0f;
    const auto sent = Feedback([&] { EXPECT_TRUE(drawSkinnedModelInView(arm)); });
    EXPECT_EQ(sent.size(), 12u);
    EXPECT_EQ(sent, Feedback([&] { drawSkinnedModel(reference); }));
    for (std::uint32_t v = 0; v < arm.vertexCount; ++v) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(arm.skinnedPositions[v][c], reference.skinnedPositions[v][c]) << v;
            EXPECT_EQ(arm.skinnedNormals[v][c], reference.skinnedNormals[v][c]) << v;
        }
    }
    destroySkinnedModel(reference);
    destroySkinnedModel(arm);
}

TEST_F(SkinnedDrawTest, OnlyModelsWhoseSphereReachesTheViewAreInIt) {
    const std::string text = ArmFile();
    SkinnedModel arm;
    ASSERT_TRUE(readSkinnedModel(arm, text.data(), text.size(), "arm.a3f"));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();  // the view volume is the cube from -1 to 1
    glMatrixMode(GL_MODELVIEW);
    const float r = arm.poseRadius;
    arm.matrix[12] = 0.0f;
    EXPECT_TRUE(inViewVolume(arm));
    arm.matrix[12] = 1.0f + 0.9f * r;
    EXPECT_TRUE(inViewVolume(arm));
    arm.matrix[12] = 1.0f + 1.1f * r;
    EXPECT_FALSE(inViewVolume(arm));
    arm.matrix[12] = 0.0f;
    arm.matrix[13] = -1.0f - 1.1f * r;
    EXPECT_FALSE(inViewVolume(arm));
    arm.matrix[13] = 0.0f;
    arm.matrix[14] = 1.0f + 1.1f * r;
    EXPECT_FALSE(inViewVolume(arm));
    destroySkinnedModel(arm);
}
