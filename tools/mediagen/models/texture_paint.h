#pragma once
// Colour helpers shared by the model textures.

#include <algorithm>
#include <cstdint>

#include "image.h"
#include "noise.h"

inline std::uint8_t colourByte(float value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0.0f, 255.0f) + 0.5f);
}

inline RgbColour mixColour(RgbColour a, RgbColour b, float t) {
    return {colourByte(a.red + (b.red - a.red) * t), colourByte(a.green + (b.green - a.green) * t),
            colourByte(a.blue + (b.blue - a.blue) * t)};
}

inline RgbColour scaleColour(RgbColour c, float s) {
    return {colourByte(c.red * s), colourByte(c.green * s), colourByte(c.blue * s)};
}

// A hash of a lattice point in [0, 1).
inline float unitHash(int x, int y, std::uint32_t seed) {
    return static_cast<float>(hashCell(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

// A small raised dome lit from the upper left: r is the distance from its
// centre as a fraction of its radius, 0 .. 1.
inline RgbColour shadeDome(RgbColour c, float r) {
    if (r > 0.8f) return scaleColour(c, 0.45f);
    return scaleColour(c, 1.25f - 0.6f * r);
}
