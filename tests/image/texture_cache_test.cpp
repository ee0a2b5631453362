#include "image/texture_cache.h"
#include "platform/headless/headless.h"
#include "support/gl_context.h"
#include "support/temp_folder.h"
#include "test_pictures.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

namespace headless = platform::headless;

// Top-down 4 x 1: (R, G, B) = (10, 20, 30), black, white, (0, 0, 1).
const Bytes FourColours = BmpFile(4, -1, 24, {}, {30, 20, 10, 0, 0, 0, 255, 255, 255, 1, 0, 0});

class TextureCacheTest : public GameFolderTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(context_.ok());
        ResetTextureCache(true);
    }
    void TearDown() override { DeleteAllTextures(); }

    TextureId Load(const std::string& name, const Bytes& file, AlphaMode mode, float alphaValue = 0.0f) {
        folder_.writeMedia(name, AsString(file));
        return LoadTexture(name.c_str(), mode, alphaValue);
    }

    // Red, green, blue, alpha of every texel as OpenGL holds them.
    static std::vector<Pixel> Texels(TextureId texture) {
        GLint width = 0, height = 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        std::vector<Pixel> texels(static_cast<std::size_t>(width * height));
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        return texels;
    }

    static std::vector<int> Alphas(TextureId texture) {
        std::vector<int> alphas;
        for (const Pixel& texel : Texels(texture)) alphas.push_back(texel[3]);
        return alphas;
    }

    static GLint Parameter(TextureId texture, GLenum name) {
        GLint value = 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        if (name == GL_TEXTURE_INTERNAL_FORMAT) {
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, name, &value);
        } else {
            glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
        }
        return value;
    }

    OffscreenContext context_{8, 8};
};

TEST_F(TextureCacheTest, OneTexturePerExactNameWhateverTheLaterMode) {
    const Bytes grey = JpegFile(8, 4, 1, JCS_GRAYSCALE, Bytes(32, 90));
    const TextureId rock = Load("rock.jpg", grey, AlphaRed);
    ASSERT_NE(rock, 0u);
    EXPECT_EQ(LoadTexture("rock.jpg", AlphaNone, 0.0f), rock);
    EXPECT_EQ(TextureCacheCount, 1);
    const TextureId other = Load("Rock.jpg", grey, AlphaNone);
    EXPECT_NE(other, 0u);
    EXPECT_NE(other, rock);
    EXPECT_EQ(TextureCacheCount, 2);
    EXPECT_STREQ(TextureCache[0].fileName, "rock.jpg");
    EXPECT_EQ(TextureCache[0].width, 8);
    EXPECT_EQ(TextureCache[0].height, 4);
    EXPECT_EQ(TextureCache[0].alphaMode, AlphaRed);
    EXPECT_TRUE(headless::MessageBoxes().empty());
}

TEST_F(TextureCacheTest, AlphaModesOnRealPixels) {
    const std::vector<std::vector<int>> expected = {
        {255, 255, 255, 255}, {235, 255, 0, 255}, {20, 0, 255, 0}, {255, 0, 255, 255},
        {255, 255, 0, 255},   {0, 255, 255, 255}, {0, 0, 0, 0},    {44, 44, 44, 44}};
    for (AlphaMode mode = AlphaNone; mode <= AlphaRedMask; ++mode) {
        const TextureId texture = Load("mode" + std::to_string(mode) + ".bmp", FourColours, mode, 300.0f);
        EXPECT_EQ(Alphas(texture), expected[static_cast<std::size_t>(mode)]) << "mode " << mode;
        EXPECT_EQ(Texels(texture)[0], (Pixel{10, 20, 30, static_cast<std::uint8_t>(expected[mode][0])}));
    }

    // The first pixel's colour is the key: magenta, then orange.
    const Bytes magentaFirst = BmpFile(4, -1, 24, {}, {255, 0, 255, 0, 128, 255, 255, 0, 255, 254, 0, 255});
    EXPECT_EQ(Alphas(Load("magenta.bmp", magentaFirst, AlphaGreen)), (std::vector<int>{0, 255, 0, 255}));
    const Bytes orangeFirst = BmpFile(3, -1, 24, {}, {0, 128, 255, 255, 0, 255, 0, 128, 255});
    EXPECT_EQ(Alphas(Load("orange.bmp", orangeFirst, AlphaGreen)), (std::vector<int>{0, 255, 0}));

    const Bytes translucent = TgaFile(2, 32, 32, 1, 1, {}, {1, 2, 3, 77});
    for (AlphaMode mode : {AlphaBlue, AlphaGreenMask, AlphaBlueMask, AlphaNumber}) {
        EXPECT_EQ(Alphas(Load("keep" + std::to_string(mode) + ".tga", translucent, mode, 0.5f)),
                  (std::vector<int>{77}));
    }
    const Bytes grey = JpegFile(8, 8, 1, JCS_GRAYSCALE, Bytes(64, 90));
    EXPECT_EQ(Alphas(Load("grey.jpg", grey, AlphaNumber, 0.5f))[63], 255);
}

TEST_F(TextureCacheTest, FixedAlphaIsTheTruncatedValueModulo256) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::pair<float, int> cases[] = {{128.9f, 128}, {255.99f, 255},
                                           {256.0f, 0},   {-1.0f, 255},
                                           {-0.7f, 0},    {-300.5f, 212},
                                           {1e30f, 0},    {inf, 0},
                                           {-inf, 0},     {std::numeric_limits<float>::quiet_NaN(), 0}};
    const Bytes dot = BmpFile(1, 1, 24, {}, {1, 2, 3, 0});
    int i = 0;
    for (const auto& [value, alpha] : cases) {
        EXPECT_EQ(Alphas(Load("dot" + std::to_string(i++) + ".bmp", dot, AlphaRedMask, value)),
                  (std::vector<int>{alpha}))
            << value;
    }
}

TEST_F(TextureCacheTest, StorageFollowsTheQualitySwitchAndFiltersAreLinear) {
    ResetTextureCache(false);
    TextureId low[2] = {Load("low0.bmp", FourColours, AlphaNone),
                        Load("low1.bmp", FourColours, AlphaLuminance)};
    EXPECT_EQ(Parameter(low[0], GL_TEXTURE_INTERNAL_FORMAT), GL_R3_G3_B2);
    EXPECT_EQ(Parameter(low[1], GL_TEXTURE_INTERNAL_FORMAT), GL_RGB5_A1);
    ResetTextureCache(true);
    glDeleteTextures(2, low);  // the reset forgot them
    EXPECT_EQ(Parameter(Load("high0.bmp", FourColours, AlphaNone), GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
    const TextureId texture = Load("high1.bmp", FourColours, AlphaNumber);
    EXPECT_EQ(Parameter(texture, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA);
    EXPECT_EQ(Parameter(texture, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(Parameter(texture, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
}

TEST_F(TextureCacheTest, AFailedNameKeepsItsSlotUntilALoadTakesIt) {
    EXPECT_EQ(LoadTexture("missing.bmp", AlphaNone, 0.0f), 0u);
    const auto& boxes = headless::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Unable to load the texture file: missing.bmp The application will continue.");
    EXPECT_EQ(boxes[0].caption, "ERROR");

    EXPECT_EQ(LoadTexture("missing.bmp", AlphaNone, 0.0f), 0u);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(TextureCacheCount, 0);
    EXPECT_STREQ(TextureCache[0].fileName, "missing.bmp");

    EXPECT_NE(Load("good.bmp", FourColours, AlphaNone), 0u);
    EXPECT_STREQ(TextureCache[0].fileName, "good.bmp");
    EXPECT_EQ(LoadTexture("missing.bmp", AlphaNone, 0.0f), 0u);
    EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(TextureCacheTest, DeletingEmptiesTheSlotsAndAReloadTakesANewOne) {
    const TextureId first = Load("a.bmp", FourColours, AlphaNone);
    DeleteAllTextures();
    EXPECT_FALSE(glIsTexture(first));
    EXPECT_STREQ(TextureCache[0].fileName, "");
    EXPECT_EQ(TextureCache[0].texture, 0u);
    EXPECT_EQ(TextureCacheCount, 1);

    const TextureId again = LoadTexture("a.bmp", AlphaNone, 0.0f);
    EXPECT_NE(again, 0u);
    EXPECT_EQ(TextureCacheCount, 2);
    EXPECT_EQ(TextureCache[1].texture, again);

    ResetTextureCache(true);  // forgets without deleting
    EXPECT_TRUE(glIsTexture(again));
    EXPECT_EQ(TextureCacheCount, 0);
    EXPECT_EQ(TextureCache[1].texture, 0u);
    glDeleteTextures(1, &again);
}

TEST_F(TextureCacheTest, A256thTextureIsRefusedWithoutTouchingTheTable) {
    for (int i = 0; i < TextureCacheCapacity; ++i) {
        ASSERT_NE(Load("t" + std::to_string(i) + ".bmp", FourColours, AlphaNone), 0u) << i;
    }
    EXPECT_EQ(Load("t255.bmp", FourColours, AlphaNone), 0u);
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(headless::MessageBoxes()[0].text,
              "Too many textures, unable to load the texture file: t255.bmp The application will continue.");
    EXPECT_EQ(TextureCacheCount, TextureCacheCapacity);
    EXPECT_EQ(LoadTexture("t7.bmp", AlphaNone, 0.0f), TextureCache[7].texture);
    EXPECT_NE(TextureCache[7].texture, 0u);
}

TEST_F(TextureCacheTest, CorruptJpegInTheMediaFolderIsReportedAndPlayGoesOn) {
    std::string rock(256, '\0');
    rock[0] = '\xFF';
    rock[1] = '\xD8';  // a JPEG start marker, then garbage
    folder_.writeMedia("Cliffs1.jpg", rock);
    EXPECT_EQ(LoadTexture("Cliffs1.jpg", AlphaNone, 0.0f), 0u);
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(headless::MessageBoxes()[0].text,
              "Unable to load the texture file: Cliffs1.jpg The application will continue.");
}

}  // namespace
