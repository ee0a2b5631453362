#pragma once
// Small picture files built byte by byte for the image tests.

#include "image/image_decoder.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include <jpeglib.h>

using Bytes = std::vector<std::uint8_t>;
using Pixel = std::array<std::uint8_t, 4>;

// Little-endian 16-bit words.
Bytes Words(std::initializer_list<unsigned> values);
Bytes operator+(Bytes a, const Bytes& b);

// A bitmap file: a 40-byte info header and `headerTail` (the rest of a larger
// header), then `table` (palette or masks), then the pixel bytes.
Bytes BmpFile(int width, int height, int bits, const Bytes& table, const Bytes& pixels,
              std::uint32_t compression = 0, std::uint32_t colours = 0, const Bytes& headerTail = {});

// A Targa file with a two-byte identification field; a colour map of 24-bit
// entries when `colourMap` is not empty.
Bytes TgaFile(int type, int depth, int descriptor, int width, int height, const Bytes& colourMap,
              const Bytes& pixels);

// A JPEG at quality 100 made with libjpeg's compressor.
Bytes JpegFile(int width, int height, int components, J_COLOR_SPACE space, const Bytes& samples);

// A flat grey progressive JPEG: a DC scan, an AC scan, then `repeats` more
// copies of the AC scan (each one a full pass over the picture for a decoder).
Bytes ProgressiveJpegFile(int width, int height, int repeats);

std::string AsString(const Bytes& bytes);
std::vector<Pixel> PixelsOf(const Image& image);
