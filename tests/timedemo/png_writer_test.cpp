#include "png_writer.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <vector>

namespace {

struct ReadBack {
    bool ok = false;
    int width = 0, height = 0;
    bool hasAlpha = true;
    std::vector<std::uint8_t> rgb;
};

ReadBack ReadPng(const std::string& path) {
    ReadBack result;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return result;
    result.hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = PNG_FORMAT_RGB;
    result.width = static_cast<int>(image.width);
    result.height = static_cast<int>(image.height);
    result.rgb.resize(PNG_IMAGE_SIZE(image));
    result.ok = png_image_finish_read(&image, nullptr, result.rgb.data(), 0, nullptr) != 0;
    return result;
}

TEST(PngWriter, RoundTripKeepsColoursAndRowOrderAndDropsAlpha) {
    TempGameFolder folder;
    // 3 x 2: the top row red, green, blue; the bottom row white, black, grey,
    // every alpha 0 as the game's clear colour leaves it.
    const std::vector<std::uint8_t> rgba = {
        255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 255, 255, 255, 0, 0, 0, 0, 0, 128, 128, 128, 0,
    };
    const std::string path = folder.media("frame.png");
    std::string error;
    ASSERT_TRUE(WritePng(path, 3, 2, rgba.data(), error)) << error;

    const ReadBack back = ReadPng(path);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.height, 2);
    EXPECT_FALSE(back.hasAlpha) << "the window shows no transparency";
    const std::vector<std::uint8_t> expected = {255, 0,   0,   0, 255, 0, 0,   0,   255,
                                                255, 255, 255, 0, 0,   0, 128, 128, 128};
    EXPECT_EQ(back.rgb, expected);
}

TEST(PngWriter, AWideFrameSurvivesByteForByte) {
    TempGameFolder folder;
    const int width = 97, height = 13;  // odd sizes catch row stride slips
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width * height * 4));
    for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<std::uint8_t>(i * 7 + i / 13);
    const std::string path = folder.media("wide.png");
    std::string error;
    ASSERT_TRUE(WritePng(path, width, height, rgba.data(), error)) << error;
    const ReadBack back = ReadPng(path);
    ASSERT_TRUE(back.ok);
    ASSERT_EQ(back.rgb.size(), static_cast<std::size_t>(width * height * 3));
    for (std::size_t p = 0; p < static_cast<std::size_t>(width * height); ++p) {
        for (std::size_t c = 0; c < 3; ++c) ASSERT_EQ(back.rgb[p * 3 + c], rgba[p * 4 + c]) << "pixel " << p;
    }
}

TEST(PngWriter, RefusesAnUnwritablePathAndAnEmptyFrame) {
    const std::uint8_t pixel[4] = {1, 2, 3, 4};
    std::string error;
    EXPECT_FALSE(WritePng("/nonexistent-folder/umbrafall/x.png", 1, 1, pixel, error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(WritePng("/tmp/never-written.png", 0, 1, pixel, error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
