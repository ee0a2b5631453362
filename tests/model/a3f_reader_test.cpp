#include "model/a3f_reader.h"
#include "model/skinned_model.h"
#include "model_test_support.h"
#include "platform/headless/headless.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

namespace {

class A3fReaderTest : public ::testing::Test {
protected:
    void SetUp() override { platform::headless::ClearMessageBoxes(); }

    bool Read(const std::string& text) {
        return readStaticModel(model_, text.data(), text.size(), "box.a3f");
    }

    StaticModel model_;
};

const std::string Quads = QuadVertices("POSITION_NORMAL_TEXCOORDS") + QuadFaces;

TEST_F(A3fReaderTest, NumbersReadTheSameInALocaleWithADecimalComma) {
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "scripts/install-deps.sh makes this locale";
    const bool read =
        Read("A3F\n" + Quads + "MATERIALS { 2 MATERIAL { DIFFUSE 0.5 0.25 1 1 } MATERIAL { } }");
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(read) << (Messages().empty() ? "" : Messages()[0]);
    EXPECT_EQ(model_.materials[0].diffuse[0], 0.5f) << "not 0, as a comma-reading parser would give";
    EXPECT_EQ(model_.materials[0].diffuse[1], 0.25f);
}

TEST_F(A3fReaderTest, NumbersTooSmallForAFloatReadAsZeroTooLargeOnesAreRefused) {
    ASSERT_TRUE(Read("A3F\n" + Quads +
                     "MATERIALS { 2 MATERIAL { DIFFUSE 1e-50 -0.001e-9999 0x1p-200 1e-40 } MATERIAL { } }"))
        << (Messages().empty() ? "" : Messages()[0]);
    EXPECT_EQ(model_.materials[0].diffuse[0], 0.0f);
    EXPECT_EQ(model_.materials[0].diffuse[1], 0.0f);
    EXPECT_TRUE(std::signbit(model_.materials[0].diffuse[1]));
    EXPECT_EQ(model_.materials[0].diffuse[2], 0.0f);
    EXPECT_NEAR(model_.materials[0].diffuse[3], 1e-40f, 1e-44f) << "a subnormal float is kept";

    EXPECT_EQ(leadingNumber("1e-50x"), 0.0f);
    EXPECT_EQ(leadingNumber("12345678901234567890e-80"), 0.0f);
    EXPECT_EQ(leadingNumber("0.5"), 0.5f);
    // Many digits with a small exponent can still overflow.
    for (const std::string& big :
         {std::string("1e39"), std::string("0.0001e300"), "1" + std::string(60, '0') + "e-5"}) {
        platform::headless::ClearMessageBoxes();
        EXPECT_FALSE(
            Read("A3F\n" + Quads + "MATERIALS { 2 MATERIAL { DIFFUSE " + big + " 0 0 1 } MATERIAL { } }"));
        ASSERT_FALSE(Messages().empty()) << big;
        EXPECT_NE(Messages()[0].find("is not a number"), std::string::npos) << Messages()[0];
    }
}

TEST_F(A3fReaderTest, TokensBracesAndMaterialWords) {
    const std::string text =
        "A3F\tVERSION { -3 }\r\nCOMMENT { {open close} VERTICES } EXTRA { 5 }\n" + Quads +
        "MATERIALS {\n 4\n"
        " }\n"  // an empty material
        " MATERIAL { DIFFUSE 3e-1 -0.25 +1 1 TEXTURE { FILE a.tga ALPHA 0.5 } SHININESS 7 }\n"
        " MATERIAL { TEXTURE { ALPHA red } NAME second }\n"
        " MATERIAL { TEXTURE { ALPHA BLACK_MASK } }\n}";
    ASSERT_TRUE(Read(text));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(model_.loaded, 1);
    EXPECT_EQ(model_.vertexCount, 8u);
    EXPECT_EQ(model_.faceCount, 4u);
    ASSERT_EQ(model_.materialCount, 4u);
    const ModelMaterial* m = model_.materials;
    EXPECT_FALSE(m[0].hasTextureFile);
    EXPECT_EQ(m[0].diffuse[0], 0.0f);
    EXPECT_FLOAT_EQ(m[1].diffuse[0], 0.3f);
    EXPECT_FLOAT_EQ(m[1].diffuse[1], -0.25f);
    EXPECT_FLOAT_EQ(m[1].diffuse[2], 1.0f);
    EXPECT_EQ(m[1].shininess, 7u);  // the texture block's "}" did not end the material
    EXPECT_TRUE(m[1].hasTextureFile);
    EXPECT_STREQ(m[1].textureFile, "a.tga");
    EXPECT_EQ(m[1].alphaMode, AlphaNumber);
    EXPECT_FLOAT_EQ(m[1].alphaValue, 0.5f);
    EXPECT_EQ(m[2].alphaMode, AlphaNumber);
    EXPECT_EQ(m[2].alphaValue, 0.0f);
    EXPECT_STREQ(m[2].name, "second");
    EXPECT_EQ(m[3].alphaMode, AlphaBlackMask);
}

TEST_F(A3fReaderTest, EndOfFileEndsOpenRecords) {
    ASSERT_TRUE(Read("A3F " + Quads + "MATERIALS { 2 } MATERIAL { DIFFUSE 1 0 0 1 "));
    EXPECT_EQ(model_.materials[1].diffuse[0], 1.0f);
    ASSERT_TRUE(Read("A3F " + Quads + "COMMENT { unfinished"));
}

TEST_F(A3fReaderTest, TableMessagesAreExact) {
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"A3f " + Quads, "Not an .a3f file: box.a3f"},
        {"A3F VERTICES { POSITION 3 0 0 0 }", "Bad vertex format: POSITION"},
        {"A3F VERTICES { POSITION_NORMAL 2 0 0 0 0 0 1  1 0 0 0 0 1 } FACES { 0 }",
         "Bad model: 1 dimensional"},
        {"A3F COMMENT { nothing }", "Failed to find section VERTICES: box.a3f"},
        {"A3F " + QuadVertices("POSITION_TEXCOORDS"), "Failed to find section FACES: box.a3f"},
    };
    for (const auto& c : cases) {
        platform::headless::ClearMessageBoxes();
        EXPECT_FALSE(Read(c.text)) << c.message;
        EXPECT_EQ(model_.loaded, 0);
        EXPECT_EQ(model_.vertices, nullptr);
        EXPECT_EQ(Messages(), std::vector<std::string>{c.message + " The application will continue."});
    }
}

// Files the format leaves unchecked; each is refused whole, naming the file.
TEST_F(A3fReaderTest, MalformedFilesAreRefused) {
    std::string materials33 = "MATERIALS { 33";
    for (int i = 0; i < 33; ++i) materials33 += " }";
    const std::string skeleton = "A3F " + Quads + "BONES { 1 BONE { NAME hip PARENT NONE } } ";
    const std::string frame = " ANIM_FRAME { hip 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 } ";
    const struct {
        std::string text;
        std::string reason;
    } cases[] = {
        {"A3F " + Quads + materials33, "33 materials, at most 32"},
        {"A3F " + QuadVertices("POSITION_TEXCOORDS") + "FACES { 1 0 1 9 0 }", "face 0 names vertex 9 of 8"},
        {"A3F " + QuadVertices("POSITION_TEXCOORDS") + "FACES { 1 0 1 2 32 }", "face 0 uses material 32"},
        {"A3F " + Quads + "MATERIALS { 1 } }", "face 2 uses material 1 of 1"},
        {"A3F " + Quads + "MATERIALS { 1 MATERIAL { NAME " + std::string(260, 'n') + " } }",
         "longer than 259"},
        {"A3F VERTICES { POSITION_TEXCOORDS 4000000000 0 0 0 0 0 }", "promised, the file is too short"},
        {"A3F VERTICES { POSITION_TEXCOORDS 2 0.00 0.00 0.00 0.00 0.00 1.00 1.00", "the file ends early"},
        {"A3F VERTICES { POSITION_TEXCOORDS 1 0 0 1,5 0 0 } FACES { 0 }", "\"1,5\" is not a number"},
        {"A3F VERTICES { POSITION_TEXCOORDS 1 0 0 0 0 0 1 } FACES { 0 }", "VERTICES holds more than 1"},
        {"A3F FACES { 1 0 1 -2 0 }", "\"-2\" is not a count"},
        {"A3F " + Quads + "BONES { 1 BONE { NAME hip PARENT NONE VERTEX_WEIGHTS { 1 8 1 } } }",
         "bone hip weights vertex 8 of 8"},
        {"A3F " + Quads + "BONES { 1 BONE { NAME " + std::string(32, 'b') + " } }", "longer than 31"},
        {skeleton + "ANIMATIONS { 1 ANIMATION { idle 1 0 } }", "animation idle has no keys"},
        {skeleton + "ANIMATIONS { 1 ANIMATION { idle 1 1 ANIM_KEY { 0.5 0 } } }", "starts at 0.5"},
        {skeleton + "ANIMATIONS { 1 ANIMATION { run 1 2 ANIM_KEY { 0.5 0 } ANIM_KEY { 0.25 0 } } }",
         "starts at 0.5"},
        {skeleton +
             "ANIMATIONS { 1 ANIMATION { run 2 3 ANIM_KEY { 0 0 } ANIM_KEY { 1 0 } ANIM_KEY { 0.5 0 } } }",
         "keys of animation run out of order"},
        {skeleton + "ANIMATIONS { 1 ANIMATION { run 2 2 ANIM_KEY { 0 1" + frame + "} ANIM_KEY { 1 0 } } }",
         "key 1 of animation run has 0 frames, key 0 has 1"},
        {skeleton + "ANIMATIONS { 1 ANIMATION { run 0 2 ANIM_KEY { 0 0 } ANIM_KEY { 0 0 } } }",
         "animation run has length 0"},
        {"A3F " + Quads +
             "BONES { 3 BONE { NAME a PARENT b } BONE { NAME b PARENT a } BONE { NAME r PARENT NONE } }",
         "bone a is not connected to the root"},
        {"A3F " + Quads + "BONES { 1 BONE { NAME r PARENT NONE MATRIX 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1 } }",
         "bone r has a matrix with no inverse"},
    };
    for (const auto& c : cases) {
        platform::headless::ClearMessageBoxes();
        SkinnedModel skinned;
        EXPECT_FALSE(readSkinnedModel(skinned, c.text.data(), c.text.size(), "bad.a3f")) << c.reason;
        EXPECT_EQ(skinned.loaded, 0);
        EXPECT_EQ(skinned.bones, nullptr);
        const std::vector<std::string> messages = Messages();
        ASSERT_EQ(messages.size(), 1u) << c.reason;
        EXPECT_EQ(messages[0].rfind("Bad model: bad.a3f (", 0), 0u) << messages[0];
        EXPECT_NE(messages[0].find(c.reason), std::string::npos) << messages[0];
    }
}

}  // namespace
