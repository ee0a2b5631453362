#include "model/static_model.h"
#include "cave/cave_cell.h"
#include "image/texture_cache.h"
#include "model_test_support.h"
#include "platform/headless/headless.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

bool Read(StaticModel& model, const std::string& text) {
    return readStaticModel(model, text.data(), text.size(), "mesh.a3f");
}

TEST(StaticModelTest, FaceRunsWhicheverSectionComesFirst) {
    std::string faces = "FACES { 20";
    for (int f = 0; f < 20; ++f) faces += f < 10 ? " 0 1 2 1" : " 0 1 2 0";
    faces += " }\n";
    const std::string vertices = QuadVertices("POSITION_TEXCOORDS");
    const std::string materials = "MATERIALS { 2 } } }\n";
    for (const std::string& text :
         {"A3F " + vertices + faces + materials, "A3F " + materials + faces + vertices}) {
        StaticModel model;
        ASSERT_TRUE(Read(model, text));
        EXPECT_EQ(model.materials[1].firstFace, 0u);
        EXPECT_EQ(model.materials[1].faceCount, 10u);
        EXPECT_EQ(model.materials[0].firstFace, 10u);
        EXPECT_EQ(model.materials[0].faceCount, 10u);
    }
}

TEST(StaticModelTest, BoundsRadiusAndGeneratedCoordinates) {
    StaticModel model;
    ASSERT_TRUE(Read(model, "A3F VERTICES { POSITION_TEXCOORDS 2 -2 -1 0 0 0  1 0 0 0 0 } FACES { 0 }"));
    EXPECT_EQ(model.boundsMin.x, -2.0f);
    EXPECT_EQ(model.boundsMin.y, -1.0f);
    EXPECT_EQ(model.boundsMax.x, 1.0f);
    EXPECT_FLOAT_EQ(model.radiusSq, 5.0f);

    // u along x; v along the longer of y and z, z when they tie.
    const struct {
        const char* positions[3];
        float u[3], v[3];
    } cases[] = {
        {{"-1 0 0", "1 4 2", "0 2 1"}, {0, 1, 0.5f}, {0, 1, 0.5f}},
        {{"-1 0 0", "1 2 2", "0 1 0.5"}, {0, 1, 0.5f}, {0, 1, 0.25f}},
        {{"3 0 0", "3 1 2", "3 0 1"}, {0, 0, 0}, {0, 0, 0}},  // no extent in x: nothing generated
    };
    for (const auto& c : cases) {
        platform::headless::ClearMessageBoxes();
        std::string text = "A3F VERTICES { POSITION_NORMAL 3";
        for (const char* position : c.positions) text += std::string(" ") + position + " 0 0 1";
        ASSERT_TRUE(Read(model, text + " } FACES { 0 }")) << text;
        EXPECT_TRUE(Messages().empty());
        for (int i = 0; i < 3; ++i) {
            EXPECT_FLOAT_EQ(model.vertices[i].u, c.u[i]) << text;
            EXPECT_FLOAT_EQ(model.vertices[i].v, c.v[i]) << text;
        }
    }
}

class StaticModelGlTest : public ModelGlTest {
protected:
    void SetUp() override {
        ModelGlTest::SetUp();
        folder_.writeMedia("red.tga", SolidTarga(255, 0, 0));
        folder_.writeMedia("blue.tga", SolidTarga(0, 0, 255));
    }
};

TEST_F(StaticModelGlTest, LoadsFromTheMediaFolderWithItsTextures) {
    StaticModel model;
    EXPECT_FALSE(loadStaticModel(model, "none.a3f"));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Could not open file: " + folder_.media("none.a3f") +
                                                   " The application will continue."});
    platform::headless::ClearMessageBoxes();
    folder_.writeMedia("quads.a3f", TexturedQuads());
    std::remove(folder_.media("blue.tga").c_str());
    ASSERT_TRUE(loadStaticModel(model, "quads.a3f"));
    EXPECT_EQ(model.loaded, 1);
    EXPECT_TRUE(glIsTexture(model.materials[0].texture));
    EXPECT_EQ(model.materials[1].texture, 0u);  // after the cache's own message
    EXPECT_EQ(Messages().size(), 1u);
}

// The list draws each material's run with its colour and blending, under
// whatever texture is bound: the renderer binds the first material's.
TEST_F(StaticModelGlTest, CompiledListDrawsEveryRunInItsColour) {
    folder_.writeMedia("quads.a3f", "A3F " + QuadVertices("POSITION_NORMAL_TEXCOORDS") + QuadFaces +
                                        "MATERIALS { 2" + Material("1 1 1 1", "red.tga") +
                                        " MATERIAL { DIFFUSE 1 1 1 0.5 TEXTURE { ALPHA LUMINANCE } } }");
    StaticModel model;
    compileStaticModel("quads.a3f", model);
    ASSERT_EQ(model.loaded, 1);
    ASSERT_NE(model.displayList, NoDisplayList);
    EXPECT_EQ(model.displayList + 1, NextListName);

    glBindTexture(GL_TEXTURE_2D, model.materials[0].texture);
    glCallList(model.displayList);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    const auto left = context_.pixel(3, 8), right = context_.pixel(12, 8);
    EXPECT_EQ(left[0], 255);
    EXPECT_NEAR(right[0], 128, 2);  // half of the red texel over black
    EXPECT_EQ(left[2] + right[2], 0);
    const auto corners = Feedback([&] { glCallList(model.displayList); });
    ASSERT_EQ(corners.size(), 12u);
    EXPECT_EQ(corners[0][7], 0.0f);  // the list carries (u, v)
    EXPECT_EQ(corners[1][7], 1.0f);

    StaticModel bare;
    folder_.writeMedia("bare.a3f", "A3F " + QuadVertices("POSITION_NORMAL") + QuadFaces);
    compileStaticModel("bare.a3f", bare);
    ASSERT_EQ(bare.loaded, 1);
    EXPECT_TRUE(Feedback([&] { glCallList(bare.displayList); }).empty());
    destroyStaticModel(model);
    destroyStaticModel(bare);
}

TEST_F(StaticModelGlTest, CopiesShareAndOnlyTheSourceReleases) {
    folder_.writeMedia("quads.a3f", TexturedQuads());
    StaticModel source;
    compileStaticModel("quads.a3f", source);
    ASSERT_EQ(source.loaded, 1);
    source.velocity = {1, 2, 3};
    StaticModel copy;
    copyStaticModel(copy, source);
    EXPECT_TRUE(copy.isCopy);
    EXPECT_EQ(copy.displayList, source.displayList);
    EXPECT_EQ(copy.vertices, source.vertices);
    EXPECT_EQ(copy.materials[1].texture, source.materials[1].texture);
    EXPECT_FALSE(copy.hasNormals);
    EXPECT_EQ(copy.velocity.x, 0.0f);

    destroyStaticModel(copy);
    EXPECT_TRUE(glIsList(source.displayList));
    EXPECT_TRUE(glIsTexture(source.materials[0].texture));
    ASSERT_NE(source.vertices, nullptr);

    const GLuint list = source.displayList;
    const TextureId texture = source.materials[0].texture;
    destroyStaticModel(source);
    EXPECT_FALSE(glIsList(list));
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(source.vertices, nullptr);
    EXPECT_EQ(copy.vertices[6].position[0], 1.0f);  // a copy keeps the arrays it shares alive
}

}  // namespace
