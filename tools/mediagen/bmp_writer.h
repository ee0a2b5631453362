#pragma once
// Uncompressed 24-bit Windows bitmaps (BITMAPINFOHEADER, rows bottom first).

#include <cstdint>
#include <vector>

#include "image.h"

std::vector<std::uint8_t> encodeBmp(const RgbImage& image);
