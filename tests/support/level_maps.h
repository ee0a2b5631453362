#pragma once
// Level maps for tests, drawn as text: '.' open floor, '#' rock. The bitmap
// has the legend row (white floor, black rock) above the grid.

#include <initializer_list>
#include <string>

// The bytes of a 24-bit bottom-up BMP file of the map.
std::string levelBitmap(std::initializer_list<const char*> rows);
