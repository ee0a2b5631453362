#include "image/image_decoder.h"
#include "support/temp_folder.h"
#include "test_pictures.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace {

const Pixel Red = {0, 0, 255, 0}, Green = {0, 255, 0, 0}, Blue = {255, 0, 0, 0}, White = {255, 255, 255, 0};
const Pixel Black = {0, 0, 0, 0}, Grey9 = {9, 9, 9, 0};

// Bottom-up 2 x 2, 24 bits: red and green on top, blue and white below.
const Bytes Bmp2x2 = BmpFile(2, 2, 24, {}, {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0});
// Palette entries 0, 1 and 2: grey 9, red and green.
const Bytes Palette3 = {9, 9, 9, 0, 0, 0, 255, 0, 0, 255, 0, 0};

std::vector<Pixel> Bmp(const Bytes& file) {
    Image image;
    EXPECT_TRUE(DecodeBmp(file.data(), file.size(), image));
    EXPECT_EQ(image.pixels.size(), static_cast<std::size_t>(image.width * image.height * 4));
    return PixelsOf(image);
}

std::vector<Pixel> Tga(const Bytes& file) {
    Image image;
    EXPECT_TRUE(DecodeTarga(file.data(), file.size(), image));
    return PixelsOf(image);
}

bool Refused(bool (*decode)(const std::uint8_t*, std::size_t, Image&), const Bytes& file) {
    Image image;
    const bool ok = decode(file.data(), file.size(), image);
    return !ok && image.width == 0 && image.height == 0 && image.pixels.empty();
}

void ExpectNear(const Pixel& actual, const Pixel& expected, int tolerance) {
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(actual[k], expected[k], tolerance) << "byte " << k;
}

TEST(BmpTest, BottomUpAndTopDownRowsComeOutTopFirstWithFourthByteZero) {
    EXPECT_EQ(Bmp(Bmp2x2), (std::vector<Pixel>{Red, Green, Blue, White}));
    EXPECT_EQ(Bmp(BmpFile(1, -2, 32, {}, {1, 2, 3, 0x80, 4, 5, 6, 7})),
              (std::vector<Pixel>{{1, 2, 3, 0}, {4, 5, 6, 0}}));
}

TEST(BmpTest, PaletteDepthsIncludingTheOldCoreHeader) {
    const Bytes blackWhite = {0, 0, 0, 0, 255, 255, 255, 0};
    EXPECT_EQ(Bmp(BmpFile(9, 1, 1, blackWhite, {0xA0, 0x80, 0, 0})),
              (std::vector<Pixel>{White, Black, White, Black, Black, Black, Black, Black, White}));
    EXPECT_EQ(Bmp(BmpFile(3, 1, 4, Palette3, {0x12, 0x00, 0, 0}, 0, 3)),
              (std::vector<Pixel>{Red, Green, Grey9}));
    EXPECT_EQ(Bmp(BmpFile(2, 1, 8, Palette3, {2, 1, 0, 0}, 0, 3)), (std::vector<Pixel>{Green, Red}));
    EXPECT_TRUE(Refused(DecodeBmp, BmpFile(2, 1, 8, Palette3, {3, 1, 0, 0}, 0, 3)))
        << "index beyond the palette";

    const Bytes core = {'B', 'M', 0, 0, 0, 0, 0, 0, 0,  0,  32, 0,  0,  0,  12, 0, 0, 0,
                        2,   0,   1, 0, 1, 0, 8, 0, 10, 20, 30, 40, 50, 60, 1,  0, 0, 0};
    EXPECT_EQ(Bmp(core), (std::vector<Pixel>{{40, 50, 60, 0}, {10, 20, 30, 0}}));
}

TEST(BmpTest, SixteenAndThirtyTwoBitsFollowTheirMasks) {
    const Bytes pad = {0, 0};
    EXPECT_EQ(Bmp(BmpFile(3, 1, 16, {}, Words({0x7FFF, 0x001F, 0x7C00}) + pad)),
              (std::vector<Pixel>{White, Blue, Red}));
    const Bytes masks565 = Words({0xF800, 0, 0x07E0, 0, 0x001F, 0});
    EXPECT_EQ(Bmp(BmpFile(3, 1, 16, masks565, Words({0xF800, 0x0400, 0x001F}) + pad, 3)),
              (std::vector<Pixel>{Red, {0, 130, 0, 0}, Blue}));

    // A V5 header whose masks put red in the lowest byte; without BI_BITFIELDS they do not count.
    const Bytes v5 = Words({0xFF, 0, 0xFF00, 0, 0, 0xFF, 0, 0xFF00}) + Bytes(68, 0);
    EXPECT_EQ(Bmp(BmpFile(1, 1, 32, {}, {1, 2, 3, 4}, 3, 0, v5)), (std::vector<Pixel>{{3, 2, 1, 0}}));
    EXPECT_EQ(Bmp(BmpFile(1, 1, 32, {}, {1, 2, 3, 4}, 0, 0, v5)), (std::vector<Pixel>{{1, 2, 3, 0}}));
}

TEST(BmpTest, RunLengthStreamsWithEscapesAndClippedRuns) {
    // Run of 3 red, an absolute run cut at the row's end, end of line, a
    // delta over row 1, 2 green, end of bitmap. Skipped pixels take entry 0.
    const Bytes rle8 = {3, 1, 0, 3, 2, 1, 2, 0, 0, 0, 0, 2, 2, 1, 2, 2, 0, 1};
    EXPECT_EQ(
        Bmp(BmpFile(4, 3, 8, Palette3, rle8, 1, 3)),
        (std::vector<Pixel>{Grey9, Grey9, Green, Green, Grey9, Grey9, Grey9, Grey9, Red, Red, Red, Green}));
    const Bytes unterminated(rle8.begin(), rle8.end() - 2);
    EXPECT_TRUE(Refused(DecodeBmp, BmpFile(4, 3, 8, Palette3, unterminated, 1, 3)));
    EXPECT_TRUE(Refused(DecodeBmp, BmpFile(4, 3, 8, Palette3, {2, 3, 0, 1}, 1, 3)))
        << "index beyond the palette";

    const Bytes rle4 = {3, 0x12, 0, 3, 0x21, 0x20, 0, 1};
    EXPECT_EQ(Bmp(BmpFile(5, 1, 4, Palette3, rle4, 2, 3)), (std::vector<Pixel>{Red, Green, Red, Green, Red}));
}

TEST(BmpTest, BadHeadersAndTruncatedPixelsAreRefused) {
    const Bytes tooBig = BmpFile(MaxImageSide + 1, 1, 24, {}, Bytes(4, 0));
    for (const Bytes& bad :
         {BmpFile(0, 1, 24, {}, Bytes(4, 0)), BmpFile(1, INT_MIN, 24, {}, Bytes(4, 0)), tooBig,
          BmpFile(1, 1, 24, {}, Bytes(4, 0), 3), BmpFile(1, 1, 2, {}, Bytes(4, 0)),
          BmpFile(2, 1, 4, Palette3, {1, 1, 0, 1}, 1, 3), BmpFile(1, 1, 24, {}, Bytes(4, 0), 4)}) {
        EXPECT_TRUE(Refused(DecodeBmp, bad));
    }
    Bytes header = Bmp2x2;
    header[14] = 41;
    EXPECT_TRUE(Refused(DecodeBmp, header));

    // Only the last row's padding may be missing.
    EXPECT_EQ(Bmp(Bytes(Bmp2x2.begin(), Bmp2x2.end() - 2)).size(), 4u);
    for (std::size_t n = 0; n < Bmp2x2.size() - 2; ++n) {
        EXPECT_TRUE(Refused(DecodeBmp, Bytes(Bmp2x2.begin(), Bmp2x2.begin() + static_cast<long>(n)))) << n;
    }
}

TEST(TargaTest, DescriptorZeroStoresBackToFrontOthersInFileOrder) {
    const Bytes blueThenGreen = {255, 0, 0, 0, 255, 0};
    EXPECT_EQ(Tga(TgaFile(2, 24, 0, 2, 1, {}, blueThenGreen)),
              (std::vector<Pixel>{{0, 255, 0, 255}, {255, 0, 0, 255}}));
    EXPECT_EQ(Tga(TgaFile(2, 24, 32, 2, 1, {}, blueThenGreen)),
              (std::vector<Pixel>{{255, 0, 0, 255}, {0, 255, 0, 255}}));
}

TEST(TargaTest, RunAndRawPacketsStopAtTheLastPixel) {
    const Pixel a = {1, 2, 3, 255}, b = {4, 5, 6, 255};
    EXPECT_EQ(Tga(TgaFile(10, 24, 32, 4, 1, {}, {130, 1, 2, 3, 0, 4, 5, 6})),
              (std::vector<Pixel>{a, a, a, b}));
    EXPECT_EQ(Tga(TgaFile(10, 24, 32, 2, 1, {}, {130, 1, 2, 3})), (std::vector<Pixel>{a, a}));
    EXPECT_EQ(Tga(TgaFile(10, 24, 32, 2, 1, {}, {5, 1, 2, 3, 4, 5, 6})), (std::vector<Pixel>{a, b}));
}

TEST(TargaTest, SixteenAndThirtyTwoBitPixels) {
    EXPECT_EQ(Tga(TgaFile(2, 16, 32, 3, 1, {}, Words({0x7FFF, 0x001F, 0x7C00}))),
              (std::vector<Pixel>{{248, 248, 248, 255}, {248, 0, 0, 255}, {0, 0, 248, 255}}));
    EXPECT_EQ(Tga(TgaFile(2, 32, 8, 1, 1, {}, {1, 2, 3, 4})), (std::vector<Pixel>{{1, 2, 3, 4}}));
}

// True-colour files may still carry a colour map; it lies before the pixels
// and is not part of them, whatever its entry size.
TEST(TargaTest, TrueColourFilesSkipTheirColourMap) {
    const Bytes map = {9, 9, 9, 8, 8, 8};
    EXPECT_EQ(Tga(TgaFile(2, 24, 32, 2, 1, map, {1, 2, 3, 4, 5, 6})),
              (std::vector<Pixel>{{1, 2, 3, 255}, {4, 5, 6, 255}}));
    EXPECT_EQ(Tga(TgaFile(10, 32, 32, 2, 1, map, {129, 1, 2, 3, 4})),
              (std::vector<Pixel>{{1, 2, 3, 4}, {1, 2, 3, 4}}));
    Bytes sixteenBitMap = TgaFile(2, 24, 32, 1, 1, {7, 7, 7, 7}, {1, 2, 3});
    sixteenBitMap[5] = 2;   // two entries
    sixteenBitMap[7] = 16;  // of two bytes each
    EXPECT_EQ(Tga(sixteenBitMap), (std::vector<Pixel>{{1, 2, 3, 255}}));
    // A map that claims more bytes than the file holds.
    Bytes longMap = TgaFile(2, 24, 32, 1, 1, map, {1, 2, 3});
    longMap[5] = 200;
    EXPECT_TRUE(Refused(DecodeTarga, longMap));
}

TEST(TargaTest, ColourMappedPixelsMustIndexTheMap) {
    const Bytes map = {10, 20, 30, 40, 50, 60};
    const Pixel first = {10, 20, 30, 255}, second = {40, 50, 60, 255};
    EXPECT_EQ(Tga(TgaFile(1, 8, 32, 2, 1, map, {1, 0})), (std::vector<Pixel>{second, first}));
    EXPECT_EQ(Tga(TgaFile(9, 8, 32, 2, 1, map, {129, 1})), (std::vector<Pixel>{second, second}));
    EXPECT_TRUE(Refused(DecodeTarga, TgaFile(1, 8, 32, 2, 1, map, {2, 0})));
    EXPECT_TRUE(Refused(DecodeTarga, TgaFile(9, 8, 32, 2, 1, map, {129, 2})));
}

TEST(TargaTest, UnsupportedKindsAndTruncatedFilesAreRefused) {
    Bytes noMap = TgaFile(1, 8, 32, 1, 1, {1, 2, 3}, {0}), shortEntries = noMap;
    noMap[1] = 0;
    shortEntries[7] = 16;
    for (const Bytes& bad :
         {TgaFile(3, 8, 32, 1, 1, {}, {7}), TgaFile(2, 8, 32, 1, 1, {}, {7}),
          TgaFile(2, 15, 32, 1, 1, {}, {0, 0}), TgaFile(1, 16, 32, 1, 1, {1, 2, 3}, {0, 0}),
          TgaFile(2, 24, 32, 0, 1, {}, {}), noMap, shortEntries}) {
        EXPECT_TRUE(Refused(DecodeTarga, bad));
    }
    for (const Bytes& good : {TgaFile(10, 24, 0, 4, 1, {}, {130, 1, 2, 3, 0, 4, 5, 6}),
                              TgaFile(1, 8, 0, 2, 1, {1, 2, 3}, {0, 0})}) {
        ASSERT_FALSE(Tga(good).empty());
        for (std::size_t n = 0; n < good.size(); ++n) {
            EXPECT_TRUE(Refused(DecodeTarga, Bytes(good.begin(), good.begin() + static_cast<long>(n)))) << n;
        }
    }
}

// 16 x 16: the top half (R, G, B) = (200, 100, 50), the bottom half (20, 40, 220).
Bytes TwoColourJpeg() {
    Bytes samples;
    for (int i = 0; i < 256; ++i) samples = samples + (i < 128 ? Bytes{200, 100, 50} : Bytes{20, 40, 220});
    return JpegFile(16, 16, 3, JCS_RGB, samples);
}

TEST(JpegTest, ColourGreyAndCmykComeOutAsBlueGreenRedOpaque) {
    Image image;
    const Bytes colour = TwoColourJpeg();
    ASSERT_TRUE(DecodeJpeg(colour.data(), colour.size(), image));
    ASSERT_EQ(image.width, 16);
    ASSERT_EQ(image.height, 16);
    ExpectNear(PixelsOf(image)[0], {50, 100, 200, 255}, 3);
    ExpectNear(PixelsOf(image)[255], {220, 40, 20, 255}, 3);

    const Bytes grey = JpegFile(8, 8, 1, JCS_GRAYSCALE, Bytes(64, 90));
    ASSERT_TRUE(DecodeJpeg(grey.data(), grey.size(), image));
    ExpectNear(PixelsOf(image)[63], {90, 90, 90, 255}, 1);

    // Inverted CMYK: the top half no ink but magenta, the bottom half full black.
    Bytes cmyk;
    for (int i = 0; i < 128; ++i) cmyk = cmyk + (i < 64 ? Bytes{255, 0, 255, 255} : Bytes{255, 255, 255, 0});
    const Bytes printed = JpegFile(8, 16, 4, JCS_CMYK, cmyk);
    ASSERT_TRUE(DecodeJpeg(printed.data(), printed.size(), image));
    ExpectNear(PixelsOf(image)[0], {255, 0, 255, 255}, 3);
    ExpectNear(PixelsOf(image)[127], {0, 0, 0, 255}, 3);
}

TEST(JpegTest, CorruptAndTruncatedFilesFailAndTheProcessGoesOn) {
    const Bytes good = TwoColourJpeg();
    for (std::size_t n :
         {std::size_t{0}, std::size_t{3}, good.size() / 4, good.size() / 2, good.size() - 3}) {
        EXPECT_TRUE(Refused(DecodeJpeg, Bytes(good.begin(), good.begin() + static_cast<long>(n)))) << n;
    }
    EXPECT_TRUE(Refused(DecodeJpeg, Bmp2x2));
}

// Where the entropy-coded data of a file's first scan starts.
std::size_t FirstScanData(const Bytes& file) {
    for (std::size_t i = 2; i + 3 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0xDA)
            return i + 2 + (std::size_t{file[i + 2]} << 8 | file[i + 3]);
    }
    return file.size();
}

TEST(JpegTest, HarmlessWarningsAreAcceptedDamagedScanDataIsRefused) {
    const Bytes good = TwoColourJpeg();
    ASSERT_EQ(AsString(Bytes(good.begin() + 6, good.begin() + 11)), std::string("JFIF", 5));
    Bytes laterJfif = good;
    laterJfif[11] = 3;  // version 3.01
    laterJfif[12] = 1;
    Bytes junkBeforeMarker = good;
    const std::size_t afterApp0 = 4 + (std::size_t{good[4]} << 8 | good[5]);
    junkBeforeMarker.insert(junkBeforeMarker.begin() + static_cast<long>(afterApp0), {0x12, 0x34, 0x56});
    for (const Bytes& file : {laterJfif, junkBeforeMarker}) {
        Image image;
        ASSERT_TRUE(DecodeJpeg(file.data(), file.size(), image));
        ExpectNear(PixelsOf(image)[0], {50, 100, 200, 255}, 3);
        ExpectNear(PixelsOf(image)[255], {220, 40, 20, 255}, 3);
    }

    Bytes noise(64 * 64);
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(i * 37 % 251);
    const Bytes busy = JpegFile(64, 64, 1, JCS_GRAYSCALE, noise);
    const std::size_t data = FirstScanData(busy), middle = (data + busy.size()) / 2;
    ASSERT_LT(data + 40, busy.size());
    Bytes strayMarker = busy, badCodes = busy;
    strayMarker.insert(strayMarker.begin() + static_cast<long>(middle), {0xFF, 0xD5});
    // Stuffed 0xFF bytes: a run of one bits longer than any Huffman code, near
    // the end, where libjpeg-turbo's careful decoder (which reports it) runs.
    const std::size_t late = busy.size() - 40;
    for (std::size_t i = 0; i < 16; i += 2) {
        badCodes[late + i] = 0xFF;
        badCodes[late + i + 1] = 0x00;
    }
    EXPECT_TRUE(Refused(DecodeJpeg, strayMarker));
    EXPECT_TRUE(Refused(DecodeJpeg, badCodes));
}

TEST(JpegTest, ScansAreLimitedInNumberAndInWorkOverThePicture) {
    Image image;
    const Bytes some = ProgressiveJpegFile(64, 64, 300);
    ASSERT_TRUE(DecodeJpeg(some.data(), some.size(), image));
    ExpectNear(PixelsOf(image)[4095], {90, 90, 90, 255}, 1);
    EXPECT_TRUE(Refused(DecodeJpeg, ProgressiveJpegFile(64, 64, 600)));

    // A picture this size may take far fewer passes than a small one.
    const Bytes large = ProgressiveJpegFile(2304, 2304, 0);
    ASSERT_TRUE(DecodeJpeg(large.data(), large.size(), image));
    EXPECT_EQ(image.width, 2304);
    EXPECT_TRUE(Refused(DecodeJpeg, ProgressiveJpegFile(2304, 2304, 450)));
}

using DecodeImageTest = GameFolderTest;

TEST_F(DecodeImageTest, ReaderChosenByTheLastThreeCharactersOfTheName) {
    const Bytes jpeg = JpegFile(8, 8, 1, JCS_GRAYSCALE, Bytes(64, 90));
    for (const char* name : {"wall.BMP", "wall.bmp", "wallbmp"}) folder_.writeMedia(name, AsString(Bmp2x2));
    folder_.writeMedia("wall.jpeg", AsString(jpeg));
    folder_.writeMedia("wall.JpG", AsString(jpeg));
    folder_.writeMedia("bmp.tga", AsString(Bmp2x2));

    int width = 0, height = 0;
    for (const char* name : {"wall.BMP", "wall.bmp", "wallbmp"}) {
        const std::vector<std::uint8_t> pixels = DecodeImage(name, width, height);
        EXPECT_EQ(width, 2) << name;
        EXPECT_EQ(height, 2) << name;
        EXPECT_EQ(pixels, (Bytes{0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0})) << name;
    }
    EXPECT_EQ(DecodeImage("wall.JpG", width, height).size(), 256u);
    EXPECT_EQ(DecodeImage("WALL.jpg", width, height).size(), 256u) << "found as wall.JpG";
    for (const char* name : {"wall.jpeg", "bmp.tga", "missing.bmp", "bm"}) {
        EXPECT_TRUE(DecodeImage(name, width, height).empty()) << name;
        EXPECT_EQ(width, 0);
        EXPECT_EQ(height, 0);
    }
    EXPECT_TRUE(DecodeImage((std::string(PathCapacity, 'x') + ".bmp").c_str(), width, height).empty());
}

}  // namespace
