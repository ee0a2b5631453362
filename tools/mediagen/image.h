#pragma once
// An 8-bit RGB picture, rows top first, as every generator here builds it.

#include <cstdint>
#include <vector>

struct RgbColour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 3, rows top first

    RgbImage() = default;
    RgbImage(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h * 3, 0) {}

    std::uint8_t* at(int x, int y) { return &pixels[(static_cast<std::size_t>(y) * width + x) * 3]; }
    const std::uint8_t* at(int x, int y) const {
        return &pixels[(static_cast<std::size_t>(y) * width + x) * 3];
    }
    void set(int x, int y, RgbColour c) {
        std::uint8_t* p = at(x, y);
        p[0] = c.red;
        p[1] = c.green;
        p[2] = c.blue;
    }
};
