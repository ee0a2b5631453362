#pragma once
// Frames as PNG files.

#include <cstdint>
#include <string>

// Writes `rgba` (width x height, 4 bytes a pixel, top row first) as an
// opaque RGB PNG: the window shows no alpha, so the file keeps none.
bool WritePng(const std::string& path, int width, int height, const std::uint8_t* rgba, std::string& error);
