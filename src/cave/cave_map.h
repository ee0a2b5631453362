#pragma once
// A level's floor plan, read from a level bitmap: the top row is a legend of
// colours (code 0, 1, 2, ... in order) and every pixel below it is one grid
// cell holding the code of its colour. Code 0 is open floor, any other rock.

#include <cstdint>
#include <vector>

inline constexpr std::uint8_t OpenCell = 0;
inline constexpr int LegendCapacity = 256;
// A grid colour missing from the legend; any code but 0 is rock.
inline constexpr std::uint8_t UnknownColourCode = 255;

struct CaveMap {
    std::vector<std::uint8_t> cells;  // code of (c, r) at r * width + c; empty before a load
    std::int32_t width = 0;           // grid columns, along world +x
    std::int32_t height = 0;          // grid rows, along world +z
    std::int32_t originX = 0;
    std::int32_t originZ = 0;
    float cellSizeX = 0.0f;
    float cellSizeZ = 0.0f;
    bool loaded = false;
};

// The map of the level being built.
extern CaveMap LevelMap;

// Reads the bitmap `fileName` from the media folder. On failure the map is
// left with no grid (its other fields as they were) and nothing is shown.
bool LoadCaveMap(const char* fileName, CaveMap& map);

// The rules of LoadCaveMap on decoded pixels: 4 bytes per pixel (blue, green,
// red, unused), top row first. The grid is left empty when the pixels are
// refused.
bool buildCaveMapFromPixels(const std::uint8_t* bgrx, int width, int height, CaveMap& map);

// True when (column, row) lies in the loaded grid and is open floor.
bool isOpenCell(const CaveMap& map, int column, int row);
