#pragma once
// Targa pictures: true colour (type 2) or run-length encoded true colour
// (type 10), stored top row first.

#include <cstdint>
#include <vector>

#include "image.h"

// An 8-bit picture with alpha, rows top first.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 4: red, green, blue, alpha

    RgbaImage() = default;
    RgbaImage(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h * 4, 0) {}

    std::uint8_t* at(int x, int y) { return &pixels[(static_cast<std::size_t>(y) * width + x) * 4]; }
    const std::uint8_t* at(int x, int y) const {
        return &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
    }
};

enum class TargaCompression { None, RunLength };

// 24 bits per pixel.
std::vector<std::uint8_t> encodeTarga(const RgbImage& image, TargaCompression compression);
// 32 bits per pixel, the alpha kept.
std::vector<std::uint8_t> encodeTarga(const RgbaImage& image, TargaCompression compression);
