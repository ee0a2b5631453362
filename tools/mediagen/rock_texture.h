#pragma once
// Rough cave rock: lumpy stone with bedding layers and cracks, in greys and
// dull browns, shaded as if lit from the upper left.

#include "image.h"

// The shaded rock colour at tile coordinates (u, v), one tile per unit;
// `step` is the distance over which the relief is measured for shading.
RgbColour rockColourAt(float u, float v, float step);

// One tile of rock spans `tilePixels` pixels in both directions and repeats
// seamlessly after that; a picture as wide as the tile shows no repeat.
RgbImage renderRock(int width, int height, int tilePixels);

// The cave wall texture: a square tile of `size` pixels.
inline RgbImage makeRockTexture(int size) { return renderRock(size, size, size); }
