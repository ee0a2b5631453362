#pragma once
// Baseline JPEG encoding through libjpeg.

#include <cstdint>
#include <string>
#include <vector>

#include "image.h"

bool encodeJpeg(const RgbImage& image, int quality, std::vector<std::uint8_t>& bytes, std::string& error);
