#include "cave/cave_map.h"

#include "image/image_decoder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>

CaveMap LevelMap;

namespace {

constexpr float GridCellSize = 10.0f;

bool sameColour(const std::uint8_t* a, const std::uint8_t* b) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

}  // namespace

bool buildCaveMapFromPixels(const std::uint8_t* bgrx, int width, int height, CaveMap& map) {
    map.cells = {};
    if (!bgrx || width <= 0 || height <= 0) return false;
    const std::uint64_t pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (pixels > SIZE_MAX / 4) return false;

    const std::size_t columns = static_cast<std::size_t>(width);
    const std::size_t rows = static_cast<std::size_t>(height) - 1;
    try {
        map.cells.assign(columns * rows, UnknownColourCode);
    } catch (const std::bad_alloc&) {
        map.cells = {};
        return false;
    }

    const std::size_t legendSize = std::min<std::size_t>(columns, LegendCapacity);
    for (std::size_t r = 0; r < rows; ++r) {
        const std::uint8_t* row = bgrx + (r + 1) * columns * 4;
        for (std::size_t c = 0; c < columns; ++c) {
            const std::uint8_t* pixel = row + c * 4;
            for (std::size_t k = 0; k < legendSize; ++k) {
                if (sameColour(pixel, bgrx + k * 4)) {
                    map.cells[r * columns + c] = static_cast<std::uint8_t>(k);
                    break;
                }
            }
        }
    }

    map.width = width;
    map.height = height - 1;
    map.originX = 0;
    map.originZ = 0;
    map.cellSizeX = GridCellSize;
    map.cellSizeZ = GridCellSize;
    map.loaded = true;
    return true;
}

bool LoadCaveMap(const char* fileName, CaveMap& map) {
    map.cells = {};
    if (!fileName) return false;
    int width = 0, height = 0;
    const std::vector<std::uint8_t> pixels = DecodeImage(fileName, width, height);
    if (pixels.empty() || width <= 0 || height <= 0) return false;
    // Never trust the decoder's size beyond the bytes it actually handed over.
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4 > pixels.size())
        return false;
    return buildCaveMapFromPixels(pixels.data(), width, height, map);
}

bool isOpenCell(const CaveMap& map, int column, int row) {
    if (column < 0 || row < 0 || column >= map.width || row >= map.height) return false;
    const std::size_t at = static_cast<std::size_t>(row) * static_cast<std::size_t>(map.width) +
                           static_cast<std::size_t>(column);
    return at < map.cells.size() && map.cells[at] == OpenCell;
}
