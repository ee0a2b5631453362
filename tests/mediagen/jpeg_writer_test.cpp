#include "jpeg_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

RgbImage decode(const std::vector<std::uint8_t>& bytes) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    RgbImage image(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.at(0, static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return image;
}

}  // namespace

TEST(JpegWriter, DecodesBackToTheSameSizeAndColours) {
    // Left half dark red, right half pale blue, on 8-pixel block borders.
    RgbImage image(32, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            image.set(x, y, x < 16 ? RgbColour{120, 20, 20} : RgbColour{150, 180, 230});
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(encodeJpeg(image, 90, bytes, error)) << error;
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);

    const RgbImage decoded = decode(bytes);
    ASSERT_EQ(decoded.width, 32);
    ASSERT_EQ(decoded.height, 16);
    for (int y : {0, 7, 15})
        for (int x : {0, 5, 26, 31}) {
            const std::uint8_t* want = image.at(x, y);
            const std::uint8_t* got = decoded.at(x, y);
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], want[c], 12) << x << "," << y << " channel " << c;
        }
}

TEST(JpegWriter, TheSamePictureGivesTheSameBytes) {
    RgbImage image(24, 24);
    for (int i = 0; i < 24 * 24 * 3; ++i) image.pixels[i] = static_cast<std::uint8_t>(i * 37);
    std::vector<std::uint8_t> first, second;
    std::string error;
    ASSERT_TRUE(encodeJpeg(image, 90, first, error));
    ASSERT_TRUE(encodeJpeg(image, 90, second, error));
    EXPECT_EQ(first, second);
}

TEST(JpegWriter, RefusesAnEmptyPicture) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(encodeJpeg(RgbImage(), 90, bytes, error));
    EXPECT_FALSE(error.empty());
}
