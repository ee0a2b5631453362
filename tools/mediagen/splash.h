#pragma once
// The title picture: the game's name over a rock tunnel falling away into
// the dark. The top strip and the bottom-right corner stay plain and dark,
// for the launcher's controls and its Start button.

#include <string>

#include "image.h"

inline constexpr int SplashWidth = 640;
inline constexpr int SplashHeight = 480;

bool makeSplash(const std::string& fontFile, RgbImage& image, std::string& error);
