#pragma once
// Pictures (BMP, JPEG, Targa) decoded into one layout: four bytes per pixel,
// blue, green, red, fourth byte, rows one after another.
//
// The readers take a whole file in memory and never look past its end; a bad
// file makes them return false with `out` empty. They use no OpenGL, and
// only the inline DecodeImage needs the shell's media path, so tools and the
// fuzzer can link the readers alone.

#include "app/media_path.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

inline constexpr int MaxImageSide = 16384;                   // pixels, either side
inline constexpr std::int64_t MaxImagePixels = 8192 * 8192;  // 256 MiB decoded
inline constexpr std::size_t MaxImageFileSize = 64u << 20;   // bytes

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 4 bytes
};

// Windows bitmap: core (OS/2), info, V4 and V5 headers; 1, 4, 8, 16, 24 and
// 32 bits; RLE4, RLE8 and bit-field masks. Top row first, fourth byte 0.
// Mask channels narrower than 8 bits are scaled to 0..255 (5 bits: 31 gives
// 255). A palette index beyond the file's palette refuses the file; pixels
// that RLE skips get palette entry 0.
bool DecodeBmp(const std::uint8_t* data, std::size_t size, Image& out);

// JPEG through libjpeg. Top row first, fourth byte 255. Greyscale and CMYK
// (Adobe inverted) pictures come out as colour. Any error or corrupt-data
// warning refuses the file.
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, Image& out);

// Targa types 1, 2, 9 and 10. Descriptor 0 stores the pixels back to front,
// any other descriptor in file order. Fourth byte: the alpha of 32-bit
// pixels, 255 for all others.
bool DecodeTarga(const std::uint8_t* data, std::size_t size, Image& out);

// The whole file; false when it cannot be read or exceeds MaxImageFileSize.
bool ReadImageFile(const char* path, std::vector<std::uint8_t>& bytes);

// Decodes the file at `path` with the reader its last three characters name,
// in any case: "BMP", "JPG" or "TGA". Any other ending fails.
bool DecodeImageFile(const char* path, Image& out);

// A picture from the media folder by its bare file name; empty on failure,
// with width and height 0. Shows nothing: the callers report failures.
inline std::vector<std::uint8_t> DecodeImage(const char* fileName, int& width, int& height) {
    PathBuffer path;
    Image image;
    if (!fileName || !MediaPath(path, fileName) || !DecodeImageFile(path, image)) image = Image{};
    width = image.width;
    height = image.height;
    return std::move(image.pixels);
}
