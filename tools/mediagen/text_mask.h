#pragma once
// A line of text rendered with FreeType into a coverage mask.

#include <string>
#include <vector>

struct TextMask {
    int width = 0;
    int height = 0;
    std::vector<float> coverage;  // width * height, 0 .. 1, rows top first
    int baseline = 0;             // row of the baseline inside the mask

    float at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0.0f;
        return coverage[static_cast<std::size_t>(y) * width + x];
    }
};

// The mask is the ink's bounding box plus `margin` pixels on every side.
bool renderTextMask(const std::string& fontFile, const std::string& text, int pixelSize, int margin,
                    TextMask& mask, std::string& error);
