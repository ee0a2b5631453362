#include "model/skinned_model.h"
#include "model_test_support.h"
#include "platform/headless/headless.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// What every accepted model must hold for drawing and playback to stay
// inside its arrays.
void ExpectUsable(const SkinnedModel& model) {
    for (std::uint32_t i = 0; i < 3 * model.faceCount; ++i) ASSERT_LT(model.faces[i], model.vertexCount);
    ASSERT_LE(model.materialCount, 32u);
    for (std::uint32_t m = 0; m < model.materialCount; ++m)
        ASSERT_LE(model.materials[m].firstFace + model.materials[m].faceCount, model.faceCount);
    if (!model.bones) return;
    ASSERT_GE(model.rootBone, 0);
    ASSERT_LT(static_cast<std::uint32_t>(model.rootBone), model.boneCount);
    for (std::uint32_t b = 0; b < model.boneCount; ++b) {
        for (std::uint32_t w = 0; w < model.bones[b].weightCount; ++w)
            ASSERT_LT(model.bones[b].weights[w].vertex, model.vertexCount);
    }
    for (std::uint32_t a = 0; a < model.animationCount; ++a) {
        const Animation& animation = model.animations[a];
        ASSERT_GT(animation.keyCount, 0);
        ASSERT_LE(animation.keys[0].time, 0.0f);
        for (int k = 0; k < animation.keyCount; ++k) {
            ASSERT_EQ(animation.keys[k].frameCount, animation.keys[0].frameCount);
            for (int f = 0; f < animation.keys[k].frameCount; ++f)
                ASSERT_LT(static_cast<std::uint32_t>(animation.keys[k].frames[f].bone), model.boneCount);
        }
    }
}

std::string Mutated(std::string text, std::mt19937& random) {
    const auto at = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    switch (at(4)) {
        case 0: text.resize(at(text.size())); break;
        case 1:
            for (std::size_t flips = 1 + at(4); flips > 0; --flips)
                text[at(text.size())] ^= static_cast<char>(1 << at(8));
            break;
        case 2: text[at(text.size())] = "0123456789{}- .e"[at(16)]; break;
        default: {
            const std::size_t from = at(text.size()), length = at(text.size() - from) + 1;
            text.insert(at(text.size()), text.substr(from, std::min<std::size_t>(length, 64)));
        }
    }
    return text;
}

TEST(ModelFuzzTest, DamagedCopiesOfRealModelsAreReadSafely) {
    std::mt19937 random(20240611);
    int loaded = 0;
    for (const std::string& original : {TexturedQuads(), ArmFile()}) {
        for (int round = 0; round < 1500; ++round) {
            platform::headless::ClearMessageBoxes();
            const std::string text = Mutated(original, random);
            SkinnedModel model;
            if (readSkinnedModel(model, text.data(), text.size(), "fuzz.a3f")) {
                ++loaded;
                ExpectUsable(model);
                for (std::uint32_t a = 0; a < model.animationCount; ++a) {
                    setAnimation(model, static_cast<int>(a), a % 2 == 0, -0.2f);
                    for (int frame = 0; frame < 8; ++frame) updateSkinnedModel(model, 0.15f);
                }
            }
            EXPECT_TRUE(model.loaded != 0 ||
                        !platform::headless::MessageBoxes().empty());  // refusals are reported
            destroySkinnedModel(model);
            StaticModel mesh;
            readStaticModel(mesh, text.data(), text.size(), "fuzz.a3f");
        }
    }
    EXPECT_GT(loaded, 100);  // the damage left many files readable, so playback was exercised
}

}  // namespace
