#include "model/skinned_model.h"
#include "model_test_support.h"
#include "platform/headless/headless.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class SkinnedModelTest : public ::testing::Test {
protected:
    void SetUp() override { platform::headless::ClearMessageBoxes(); }

    bool Read(const std::string& text) {
        return readSkinnedModel(model_, text.data(), text.size(), "rig.a3f");
    }

    // A file with the quads, `bones` and an animation moving bone "a".
    bool ReadBones(int count, const std::string& bones) {
        return Read("A3F " + QuadVertices("POSITION_NORMAL_TEXCOORDS") + QuadFaces + "BONES { " +
                    std::to_string(count) + " " + bones +
                    " } ANIMATIONS { 1 ANIMATION { idle 1 1 ANIM_KEY { 0 1 ANIM_FRAME { a "
                    "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 } } } }");
    }

    const Bone& Named(const char* name) { return model_.bones[findBone(model_, name)]; }

    SkinnedModel model_;
};

std::string BoneText(const char* name, const char* parent, const char* matrix = "") {
    return std::string("BONE { NAME ") + name + " PARENT " + parent + (*matrix ? " MATRIX " : "") + matrix +
           " } ";
}

TEST_F(SkinnedModelTest, ChildrenLinkInFileOrderWhereverTheirParentIs) {
    ASSERT_TRUE(ReadBones(5, BoneText("c1", "p") + BoneText("p", "a") + BoneText("c2", "p") +
                                 BoneText("a", "NONE") + BoneText("c3", "p")));
    ASSERT_EQ(model_.boneCount, 5u);
    EXPECT_EQ(model_.rootBone, 3);
    EXPECT_EQ(Named("a").firstChild, &Named("p"));
    EXPECT_EQ(Named("p").parent, &Named("a"));
    EXPECT_EQ(Named("p").firstChild, &Named("c1"));
    EXPECT_EQ(Named("c1").nextSibling, &Named("c2"));
    EXPECT_EQ(Named("c2").nextSibling, &Named("c3"));
    EXPECT_EQ(Named("c3").nextSibling, nullptr);
    EXPECT_EQ(Named("c3").weightCount, 0u);
    EXPECT_EQ(Named("c3").weights, nullptr);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(SkinnedModelTest, BindPoseOfATwoBoneChain) {
    ASSERT_TRUE(ReadBones(2, BoneText("b", "a", "1 0 0 0 0 1 0 0 0 0 1 0 -4 -5 -6 1") +
                                 BoneText("a", "NONE", "1 0 0 0 0 1 0 0 0 0 1 0 -1 -2 -3 1")));
    const Bone& child = Named("b");
    EXPECT_FLOAT_EQ(child.local[12], 4.0f);
    const float world[3] = {5, 7, 9};
    for (int k = 0; k < 3; ++k) {
        EXPECT_FLOAT_EQ(child.world[12 + k], world[k]);
        EXPECT_FLOAT_EQ(child.inverseBind[12 + k], -world[k]);
        EXPECT_FLOAT_EQ(child.world[5 * k], 1.0f);
    }
    EXPECT_FLOAT_EQ(Named("a").world[12], 1.0f);
}

TEST_F(SkinnedModelTest, BadHierarchiesKeepTheMeshWithoutBones) {
    const std::string frame = "Bad animation frame name: a The application will continue.";
    const struct {
        int count;
        std::string bones;
        std::vector<std::string> messages;
    } cases[] = {
        {2,
         BoneText("a", "NONE") + BoneText("b", "NONE"),
         {"Bad bone heirarchy, more than one root frame. rig.a3f The application will continue.", frame}},
        {2,
         BoneText("a", "b") + BoneText("b", "a"),
         {"Bad bone heirarchy, no root frame: rig.a3f The application will continue.", frame}},
        {3,
         BoneText("a", "NONE") + BoneText("b", "ghost") + BoneText("c", "NONE"),
         {"Bone name not found: rig.a3f The application will continue.", frame}},
        {3,
         BoneText("a", "NONE") + BoneText("b", "NONE") + BoneText("c", "ghost"),
         {"Bone name not found: rig.a3f The application will continue.",
          "Bad bone heirarchy, more than one root frame. rig.a3f The application will continue.", frame}},
    };
    for (const auto& c : cases) {
        platform::headless::ClearMessageBoxes();
        ASSERT_TRUE(ReadBones(c.count, c.bones));
        EXPECT_EQ(model_.loaded, 1);
        EXPECT_EQ(model_.bones, nullptr);
        EXPECT_EQ(model_.boneCount, 0u);
        EXPECT_EQ(model_.animations, nullptr);  // its frame found no bone
        EXPECT_EQ(Messages(), c.messages) << c.bones;
    }
}

TEST_F(SkinnedModelTest, BonesBeforeTheMeshAreReadAndTheirWeightsStillChecked) {
    const auto file = [](int vertex) {
        return "A3F BONES { 1 BONE { NAME a PARENT NONE VERTEX_WEIGHTS { 2 0 1 " + std::to_string(vertex) +
               " 0.5 } } } " + QuadVertices("POSITION_NORMAL_TEXCOORDS") + QuadFaces;
    };
    ASSERT_TRUE(Read(file(7)));
    ASSERT_EQ(model_.boneCount, 1u);
    ASSERT_EQ(model_.bones[0].weightCount, 2u);
    EXPECT_EQ(model_.bones[0].weights[1].vertex, 7u);
    EXPECT_EQ(model_.vertexCount, 8u);
    EXPECT_TRUE(Messages().empty());

    EXPECT_FALSE(Read(file(8)));
    EXPECT_EQ(model_.loaded, 0);
    EXPECT_EQ(model_.bones, nullptr);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Bad model: rig.a3f (bone a weights vertex 8 of 8) The "
                                                   "application will continue."});
}

TEST_F(SkinnedModelTest, LookupsAreExactAndFirstWins) {
    ASSERT_TRUE(Read(ArmFile()));
    EXPECT_EQ(findBone(model_, "knee"), 2);
    EXPECT_EQ(findBone(model_, "Knee"), -1);
    EXPECT_EQ(findBone(model_, nullptr), -1);
    EXPECT_EQ(findAnimation(model_, "lift"), 1);
    std::strcpy(model_.animations[1].name, "bend");
    EXPECT_EQ(findAnimation(model_, "bend"), 0);
    EXPECT_EQ(findAnimation(model_, "ben"), -1);
    EXPECT_EQ(findBone(SkinnedModel{}, "knee"), -1);
}

TEST_F(SkinnedModelTest, UnknownFrameBoneDropsTheAnimations) {
    std::string text = ArmFile();
    text.replace(text.find("{ toe "), 6, "{ tail ");
    ASSERT_TRUE(Read(text));
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"Bad animation frame name: tail The application will continue."});
    EXPECT_EQ(model_.boneCount, 3u);
    EXPECT_EQ(model_.animations, nullptr);
    EXPECT_FALSE(setAnimation(model_, 0, true, 0.0f));
}

TEST_F(SkinnedModelTest, DestroyReleasesEverything) {
    ASSERT_TRUE(Read(ArmFile()));
    ASSERT_NE(model_.texCoordArray, nullptr);
    EXPECT_FLOAT_EQ(model_.texCoordArray[2], 0.25f);
    EXPECT_EQ(Named("toe").grams, 50.0f);
    destroySkinnedModel(model_);
    EXPECT_EQ(model_.bones, nullptr);
    EXPECT_EQ(model_.animations, nullptr);
    EXPECT_EQ(model_.skinnedPositions, nullptr);
    EXPECT_EQ(model_.vertices, nullptr);
    EXPECT_EQ(model_.loaded, 0);
    updateSkinnedModel(model_, 0.1f);  // harmless on an empty record
}

}  // namespace
