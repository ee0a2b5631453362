#include "models/a3f_writer.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace {

Matrix4 translation(float x, float y, float z) {
    Matrix4 m;
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

// One triangle, one textured material, one bone holding every vertex and
// one animation of one key.
A3fModel tinyModel() {
    A3fModel model;
    model.comment = "tiny";
    Mesh& mesh = model.mesh;
    mesh.addVertex({{0, 0, 0}, {0, 0, 1}, 0.0f, 1.0f});
    mesh.addVertex({{1, 0, 0}, {0, 0, 1}, 1.0f, 1.0f});
    mesh.addVertex({{0, 1, 0}, {0, 0, 1}, 0.0f, 0.0f});
    mesh.addTriangle(0, 1, 2, 0);
    A3fMaterial skin;
    skin.name = "skin";
    skin.ambient = {0.1f, 0.2f, 0.3f, 1.0f};
    skin.diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
    skin.specular = {0.0f, 0.0f, 0.0f, 1.0f};
    skin.emission = {0.0f, 0.0f, 0.0f, 1.0f};
    skin.shininess = 12;
    skin.textureFile = "skin.bmp";
    model.materials.push_back(skin);
    A3fBone root;
    root.name = "root";
    root.parent = "NONE";
    root.fileMatrix = translation(-1, -2, -3);
    root.grams = 500;
    root.weights = {{0, WeightUnit}, {1, WeightUnit}, {2, WeightUnit}};
    model.bones.push_back(root);
    A3fAnimation wave;
    wave.name = "wave";
    wave.length = 1.0f;
    wave.keys.push_back({0.0f, {{"root", translation(1, 2, 3)}}});
    model.animations.push_back(wave);
    return model;
}

std::string errorOf(const A3fModel& model) {
    std::string text, error;
    EXPECT_FALSE(writeA3f(model, text, error));
    return error;
}

}  // namespace

TEST(A3fWriter, NumbersHaveSixPlacesAndNoNegativeZero) {
    EXPECT_EQ(formatNumber(0.5f), "0.500000");
    EXPECT_EQ(formatNumber(-1.25f), "-1.250000");
    EXPECT_EQ(formatNumber(2.0f), "2.000000");
    EXPECT_EQ(formatNumber(-0.0f), "0.000000");
    EXPECT_EQ(formatNumber(-0.0000004f), "0.000000");
    EXPECT_EQ(formatNumber(0.0000006f), "0.000001");
    EXPECT_EQ(formatNumber(-3.1415927f), "-3.141593");
}

TEST(A3fWriter, NumbersIgnoreTheLocale) {
    // A locale with a decimal comma, where the machine has one.
    const char* chosen = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    if (!chosen) chosen = std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    EXPECT_EQ(formatNumber(1.5f), "1.500000");
    std::setlocale(LC_NUMERIC, "C");
    if (!chosen) GTEST_SKIP() << "no locale with a decimal comma installed";
}

TEST(A3fWriter, WritesTheLayoutTheReadersExpect) {
    std::string text, error;
    ASSERT_TRUE(writeA3f(tinyModel(), text, error)) << error;
    const std::string zero = "0.000000", one = "1.000000";
    const std::string expected =
        "A3F\nVERSION { 1.0 }\nCOMMENT { tiny }\n"
        "VERTICES {\n  POSITION_NORMAL_TEXCOORDS\n  3\n"
        "  0.000000 0.000000 0.000000  0.000000 0.000000 1.000000  0.000000 1.000000\n"
        "  1.000000 0.000000 0.000000  0.000000 0.000000 1.000000  1.000000 1.000000\n"
        "  0.000000 1.000000 0.000000  0.000000 0.000000 1.000000  0.000000 0.000000\n"
        "}\n"
        "FACES {\n  1\n  0 1 2 0\n}\n"
        "MATERIALS {\n  1\n  MATERIAL {\n    NAME skin\n"
        "    AMBIENT 0.100000 0.200000 0.300000 1.000000\n"
        "    DIFFUSE 0.500000 0.500000 0.500000 1.000000\n"
        "    SPECULAR 0.000000 0.000000 0.000000 1.000000\n"
        "    EMISSION 0.000000 0.000000 0.000000 1.000000\n"
        "    SHININESS 12\n"
        "    TEXTURE {\n      FILE skin.bmp\n      ALPHA NONE\n    }\n  }\n}\n"
        "BONES {\n  1\n  BONE {\n    NAME root\n    PARENT NONE\n"
        "    MATRIX 1.000000 0.000000 0.000000 0.000000 0.000000 1.000000 0.000000 0.000000 "
        "0.000000 0.000000 1.000000 0.000000 -1.000000 -2.000000 -3.000000 1.000000\n"
        "    GRAMS 500.000000\n"
        "    VERTEX_WEIGHTS {\n      3\n      0 1.000000\n      1 1.000000\n      2 1.000000\n    }\n  }\n}\n"
        "ANIMATIONS {\n  1\n  ANIMATION {\n    wave 1.000000 1\n"
        "    ANIM_KEY {\n      0.000000 1\n"
        "      ANIM_FRAME { root 1.000000 0.000000 0.000000 0.000000 0.000000 1.000000 0.000000 0.000000 "
        "0.000000 0.000000 1.000000 0.000000 1.000000 2.000000 3.000000 1.000000 }\n"
        "    }\n  }\n}\n";
    EXPECT_EQ(text, expected);
}

TEST(A3fWriter, GroupsFacesByMaterialKeepingTheirOrder) {
    A3fModel model;
    for (int i = 0; i < 4; ++i) model.mesh.addVertex({{static_cast<float>(i), 0, 0}, {0, 0, 1}, 0, 0});
    model.mesh.triangles = {{0, 1, 2, 1}, {1, 2, 3, 0}, {2, 3, 0, 1}, {3, 0, 1, 0}};
    model.materials.resize(2);
    model.materials[0].name = "a";
    model.materials[1].name = "b";
    std::string text, error;
    ASSERT_TRUE(writeA3f(model, text, error)) << error;
    EXPECT_NE(text.find("FACES {\n  4\n  1 2 3 0\n  3 0 1 0\n  0 1 2 1\n  2 3 0 1\n}"), std::string::npos);
}

TEST(A3fWriter, WeightsPrintAsWholeMillionths) {
    A3fModel model = tinyModel();
    A3fBone second;
    second.name = "tip";
    second.parent = "root";
    second.weights = {{1, 333333}};
    model.bones[0].weights[1].second = 666667;
    model.bones.push_back(second);
    for (A3fKey& key : model.animations[0].keys) key.frames.push_back({"tip", Matrix4{}});
    std::string text, error;
    ASSERT_TRUE(writeA3f(model, text, error)) << error;
    EXPECT_NE(text.find("      1 0.666667\n"), std::string::npos);
    EXPECT_NE(text.find("      1 0.333333\n"), std::string::npos);
}

TEST(A3fWriter, LeavesOutTheTextureAndSkeletonWhenThereAreNone) {
    A3fModel model = tinyModel();
    model.materials[0].textureFile.clear();
    model.bones.clear();
    model.animations.clear();
    model.format = VertexFormat::PositionNormal;
    std::string text, error;
    ASSERT_TRUE(writeA3f(model, text, error)) << error;
    EXPECT_EQ(text.find("TEXTURE"), std::string::npos);
    EXPECT_EQ(text.find("BONES"), std::string::npos);
    EXPECT_EQ(text.find("ANIMATIONS"), std::string::npos);
    EXPECT_NE(text.find("  POSITION_NORMAL\n  3\n  0.000000 0.000000 0.000000  0.000000 0.000000 1.000000\n"),
              std::string::npos);
}

TEST(A3fWriter, RefusesWeightsThatDoNotAddUpToOne) {
    A3fModel model = tinyModel();
    model.bones[0].weights[2].second = WeightUnit - 1;
    EXPECT_NE(errorOf(model).find("vertex 2"), std::string::npos);
    model = tinyModel();
    model.bones[0].weights.pop_back();  // vertex 2 left to no bone
    EXPECT_NE(errorOf(model).find("vertex 2"), std::string::npos);
}

TEST(A3fWriter, RefusesABrokenSkeleton) {
    A3fModel model = tinyModel();
    model.bones.push_back(model.bones[0]);
    model.bones[1].name = "other";
    model.bones[1].weights.clear();
    EXPECT_NE(errorOf(model).find("one root"), std::string::npos);
    model.bones[1].parent = "nobody";
    EXPECT_NE(errorOf(model).find("no parent"), std::string::npos);
}

TEST(A3fWriter, RefusesBadKeys) {
    A3fModel model = tinyModel();
    model.animations[0].keys[0].time = 0.1f;
    EXPECT_NE(errorOf(model).find("start at 0"), std::string::npos);
    model = tinyModel();
    model.animations[0].keys.push_back(model.animations[0].keys[0]);
    EXPECT_NE(errorOf(model).find("out of order"), std::string::npos);
    model = tinyModel();
    model.animations[0].keys[0].frames.clear();
    EXPECT_NE(errorOf(model).find("misses bones"), std::string::npos);
    model = tinyModel();
    model.animations[0].keys.push_back({2.0f, model.animations[0].keys[0].frames});
    EXPECT_NE(errorOf(model).find("within its length"), std::string::npos);
}

TEST(A3fWriter, RefusesNamesTheReadersWouldMisread) {
    for (const char* bad : {"FACES", "BONES", "two words", "}", ""}) {
        A3fModel model = tinyModel();
        model.materials[0].name = bad;
        EXPECT_FALSE(errorOf(model).empty()) << bad;
    }
    A3fModel model = tinyModel();
    model.bones[0].name = std::string(32, 'b');  // bone names hold 31 characters
    model.animations[0].keys[0].frames[0].bone = model.bones[0].name;
    EXPECT_FALSE(errorOf(model).empty());
    model = tinyModel();
    model.comment = "ends } early";
    EXPECT_FALSE(errorOf(model).empty());
}

TEST(A3fWriter, RefusesFacesOutsideTheModel) {
    A3fModel model = tinyModel();
    model.mesh.triangles[0].c = 3;
    EXPECT_FALSE(errorOf(model).empty());
    model = tinyModel();
    model.mesh.triangles[0].part = 1;
    EXPECT_FALSE(errorOf(model).empty());
}
