#include "cave/level_check.h"

#include <algorithm>

namespace {

constexpr int MaxConnections = 4;
constexpr int MaxWalls = 8;

// Neighbours clockwise from north-west; corners are the even entries.
constexpr int Offsets[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};

std::string At(int column, int row) {
    return "column " + std::to_string(column) + ", row " + std::to_string(row);
}

}  // namespace

LevelNeeds levelNeedsAt(int levelIndex) {
    const int monsters = std::min(levelIndex + 4, 16);
    const int rocks = std::max(8 - levelIndex, 0);
    const int chests = std::max(4 - levelIndex, 0);
    const bool detector = levelIndex == 0;
    return {monsters + rocks + chests + 1 + (detector ? 1 : 0), detector};
}

bool checkLevelGrid(const std::uint8_t* cells, int width, int height, const LevelNeeds& needs,
                    std::string& reason) {
    if (width <= 0 || height <= 0) {
        reason = "the map has no cells";
        return false;
    }
    if (width > MaxGridCells || height > MaxGridCells || width * height > MaxGridCells) {
        reason = "the map has " + std::to_string(width) + " x " + std::to_string(height) +
                 " cells, more than " + std::to_string(MaxGridCells);
        return false;
    }
    auto open = [&](int c, int r) {
        return c >= 0 && r >= 0 && c < width && r < height && cells[r * width + c] == 0;
    };

    int openCells = 0;
    for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) {
            if (!open(c, r)) continue;
            ++openCells;
            bool neighbourOpen[8];
            int connections = 0;
            for (int d = 0; d < 8; ++d) {
                neighbourOpen[d] = open(c + Offsets[d][0], r + Offsets[d][1]);
                connections += neighbourOpen[d];
            }
            if (connections > MaxConnections) {
                reason = "the open cell at " + At(c, r) + " has " + std::to_string(connections) +
                         " open neighbours, more than " + std::to_string(MaxConnections);
                return false;
            }
            // A corner is walled off when it and the two sides beside it are rock.
            int walls = 2 * connections;
            for (int corner = 0; corner < 8; corner += 2)
                if (!neighbourOpen[corner] && !neighbourOpen[(corner + 1) % 8] &&
                    !neighbourOpen[(corner + 7) % 8])
                    ++walls;
            if (walls > MaxWalls) {
                reason = "the open cell at " + At(c, r) + " needs " + std::to_string(walls) +
                         " walls, more than " + std::to_string(MaxWalls);
                return false;
            }
        }
    }
    if (openCells == 0) {
        reason = "the map has no open cell";
        return false;
    }
    if (openCells < needs.things) {
        reason = "the map has " + std::to_string(openCells) + " open cells, fewer than the " +
                 std::to_string(needs.things) + " things placed on it";
        return false;
    }
    if (needs.detectorCell) {
        bool found = false;
        for (int r = 0; r < height / 8 && !found; ++r)
            for (int c = 0; c < width / 8 && !found; ++c) found = open(c, r);
        if (!found) {
            reason = "the first level needs an open cell in its top-left eighth";
            return false;
        }
    }
    reason.clear();
    return true;
}
