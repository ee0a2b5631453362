#include "bmp_writer.h"

#include <gtest/gtest.h>

namespace {

std::uint32_t read32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

}  // namespace

TEST(BmpWriter, HeadersDescribeAnUncompressed24BitBottomUpPicture) {
    RgbImage image(3, 2);
    const std::vector<std::uint8_t> bmp = encodeBmp(image);
    // Rows of 3 pixels take 9 bytes, padded to 12; two rows after 54 header bytes.
    ASSERT_EQ(bmp.size(), 54u + 24u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(read32(bmp, 2), 78u);
    EXPECT_EQ(read32(bmp, 10), 54u);
    EXPECT_EQ(read32(bmp, 14), 40u);
    EXPECT_EQ(read32(bmp, 18), 3u);
    EXPECT_EQ(read32(bmp, 22), 2u);  // positive height: bottom row first
    EXPECT_EQ(bmp[26] | bmp[27] << 8, 1);
    EXPECT_EQ(bmp[28] | bmp[29] << 8, 24);
    EXPECT_EQ(read32(bmp, 30), 0u);
    EXPECT_EQ(read32(bmp, 34), 24u);
}

TEST(BmpWriter, PixelsAreBlueGreenRedWithTheTopRowLastAndRowsPadded) {
    RgbImage image(3, 2);
    image.set(0, 0, {10, 20, 30});  // top left
    image.set(2, 0, {40, 50, 60});  // top right
    image.set(0, 1, {70, 80, 90});  // bottom left
    image.set(1, 1, {1, 2, 3});
    const std::vector<std::uint8_t> bmp = encodeBmp(image);
    ASSERT_EQ(bmp.size(), 78u);
    const std::vector<std::uint8_t> bottomRow{90, 80, 70, 3, 2, 1, 0, 0, 0, 0, 0, 0};
    const std::vector<std::uint8_t> topRow{30, 20, 10, 0, 0, 0, 60, 50, 40, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(bmp.begin() + 54, bmp.begin() + 66), bottomRow);
    EXPECT_EQ(std::vector<std::uint8_t>(bmp.begin() + 66, bmp.end()), topRow);
}

TEST(BmpWriter, RowsWhoseWidthIsAMultipleOfFourBytesGetNoPadding) {
    RgbImage image(4, 1);
    image.set(3, 0, {7, 8, 9});
    const std::vector<std::uint8_t> bmp = encodeBmp(image);
    ASSERT_EQ(bmp.size(), 54u + 12u);
    EXPECT_EQ(bmp[54 + 9], 9);
    EXPECT_EQ(bmp[54 + 11], 7);
}
