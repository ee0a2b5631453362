#include "walk_check.h"

#include "cave/cave_cell.h"
#include "cave/cave_map.h"
#include "game/player.h"
#include "platform/platform.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr float StepLength = 0.05f;    // a little under one frame's walk
constexpr float Overshoot = 3.0f;      // how far past a wall a walker keeps pushing
constexpr float FloorTolerance = 0.01f;

struct Point {
    float x, z;
};

// Convex pieces of floor relative to a cell's minimum corner, corners in
// order. A cell's own floor is its diamond and, for each opening, the part
// of the passage on its side of the portal.
struct Piece {
    Point corners[4];
};

constexpr Piece Diamond{{{5, 0}, {10, 5}, {5, 10}, {0, 5}}};

constexpr Piece PassagePieces[DirectionCount] = {
    {{{0, -5}, {5, 0}, {0, 5}, {-5, 0}}},     // north-west: diamond on the shared corner
    {{{0, -5}, {10, -5}, {10, 5}, {0, 5}}},   // north
    {{{10, -5}, {15, 0}, {10, 5}, {5, 0}}},   // north-east
    {{{5, 0}, {15, 0}, {15, 10}, {5, 10}}},   // east
    {{{10, 5}, {15, 10}, {10, 15}, {5, 10}}}, // south-east
    {{{0, 5}, {10, 5}, {10, 15}, {0, 15}}},   // south
    {{{0, 5}, {5, 10}, {0, 15}, {-5, 10}}},   // south-west
    {{{-5, 0}, {5, 0}, {5, 10}, {-5, 10}}},   // west
};

float side(const WallSegment& w, float x, float z) {
    return (x - w.x0) * (w.z1 - w.z0) - (z - w.z0) * (w.x1 - w.x0);
}

float sideDistance(const WallSegment& w, float x, float z) {
    const float length = std::hypot(w.x1 - w.x0, w.z1 - w.z0);
    return length > 0.0f ? side(w, x, z) / length : 0.0f;
}

bool inPiece(const CaveCell& cell, const Piece& piece, float x, float z) {
    const float px = x - cell.x, pz = z - cell.z;
    for (int i = 0; i < 4; ++i) {
        const Point& a = piece.corners[i];
        const Point& b = piece.corners[(i + 1) % 4];
        const float length = std::hypot(b.x - a.x, b.z - a.z);
        // Corners run clockwise as the plan is seen (x right, z down): inside is on the right.
        const float cross = ((px - a.x) * (b.z - a.z) - (pz - a.z) * (b.x - a.x)) / length;
        if (cross > FloorTolerance) return false;
    }
    return true;
}

bool onOwnFloor(const CaveCell& cell, float x, float z) {
    if (inPiece(cell, Diamond, x, z)) return true;
    for (int k = 0; k < cell.connectionCount && k < MaxConnections; ++k) {
        const int d = cell.directions[k];
        if (d < 0 || d >= DirectionCount) continue;
        if (sideDistance(cell.portals[k], x, z) <= FloorTolerance && inPiece(cell, PassagePieces[d], x, z))
            return true;
    }
    return false;
}

// True when the step from a to b passes strictly through the wall's line
// between its ends.
bool crosses(const WallSegment& w, const Point& a, const Point& b) {
    const float sa = side(w, a.x, a.z), sb = side(w, b.x, b.z);
    if (!((sa < 0.0f && sb > 0.0f) || (sa > 0.0f && sb < 0.0f))) return false;
    const auto along = [&](const Point& p) {
        return (p.x - a.x) * (b.z - a.z) - (p.z - a.z) * (b.x - a.x);
    };
    const float e0 = along({w.x0, w.z0}), e1 = along({w.x1, w.z1});
    return (e0 < 0.0f && e1 > 0.0f) || (e0 > 0.0f && e1 < 0.0f);
}

bool crossesAnyWall(const CaveCell& cell, const Point& a, const Point& b) {
    for (int j = 0; j < cell.wallCount && j < MaxWalls; ++j)
        if (crosses(cell.walls[j], a, b)) return true;
    return false;
}

std::string place(float x, float z) {
    char text[48];
    std::snprintf(text, sizeof text, "(%.2f, %.2f)", static_cast<double>(x), static_cast<double>(z));
    return text;
}

std::string cellName(const CaveCell& cell) {
    char text[32];
    std::snprintf(text, sizeof text, "(%d, %d)", static_cast<int>(cell.x / CellSize),
                  static_cast<int>(cell.z / CellSize));
    return text;
}

struct WalkEnd {
    const CaveCell* cell;
    Point at;
    const CaveCell* firstEntered;  // the cell behind the first portal crossed, if any
    std::string fault;             // empty when every step stayed on the floor
};

// Walks from `from` toward `aim` for `distance`, stopping at the first portal
// when `stopAtPortal`, else at `aim` itself.
WalkEnd walk(const CaveCell& start, Point from, Point aim, float distance, bool stopAtPortal) {
    WalkEnd end{&start, from, nullptr, {}};
    const float dx = aim.x - from.x, dz = aim.z - from.z;
    const float length = std::hypot(dx, dz);
    if (length <= 0.0f) return end;
    const float ux = dx / length, uz = dz / length;
    const int steps = static_cast<int>(std::ceil(distance / StepLength));
    for (int i = 1; i <= steps; ++i) {
        const float travelled = std::fmin(i * StepLength, distance);
        Vector3 was{end.at.x, 0.0f, end.at.z};
        Vector3 to{from.x + ux * travelled, 0.0f, from.z + uz * travelled};
        CaveCell* next = nullptr;
        const CaveCell* before = end.cell;
        if (MoveInCell(*end.cell, was, to, next, nullptr) & CrossedPortal) {
            end.cell = next;
            if (!end.firstEntered) end.firstEntered = next;
        }
        const Point stepFrom{was.x, was.z}, stepTo{to.x, to.z};
        end.at = stepTo;
        if (!end.cell) {
            end.fault = "crosses a portal into no cell at " + place(to.x, to.z);
            return end;
        }
        if (crossesAnyWall(*before, stepFrom, stepTo) || crossesAnyWall(*end.cell, stepFrom, stepTo)) {
            end.fault = "passes through a wall at " + place(to.x, to.z);
            return end;
        }
        if (!onOwnFloor(*end.cell, to.x, to.z)) {
            end.fault = "leaves the floor of " + cellName(*end.cell) + " at " + place(to.x, to.z);
            return end;
        }
        if (stopAtPortal && end.cell != &start) return end;
    }
    return end;
}

Point centreOf(const CaveCell& cell) { return {cell.x + 5.0f, cell.z + 5.0f}; }

void checkPassages(const CaveCell& cell, std::vector<WalkFault>& faults, int column, int row) {
    const Point from = centreOf(cell);
    for (int k = 0; k < cell.connectionCount && k < MaxConnections; ++k) {
        const CaveCell* target = cell.neighbours[k];
        if (!target) continue;
        const Point aim = centreOf(*target);
        const WalkEnd end = walk(cell, from, aim, std::hypot(aim.x - from.x, aim.z - from.z), false);
        std::string what;
        if (!end.fault.empty())
            what = end.fault;
        else if (end.firstEntered && end.firstEntered != target)
            what = "slides into " + cellName(*end.firstEntered);
        else if (end.cell != target || std::hypot(end.at.x - aim.x, end.at.z - aim.z) > StepLength)
            what = "stops at " + place(end.at.x, end.at.z);
        if (!what.empty())
            faults.push_back({column, row, "walking toward " + cellName(*target) + " " + what});
    }
}

void checkWallsHold(const CaveCell& cell, std::vector<WalkFault>& faults, int column, int row) {
    const Point centre = centreOf(cell);
    const Point starts[] = {centre,
                            {centre.x - 2.0f, centre.z},
                            {centre.x + 2.0f, centre.z},
                            {centre.x, centre.z - 2.0f},
                            {centre.x, centre.z + 2.0f}};
    for (int j = 0; j < cell.wallCount && j < MaxWalls; ++j) {
        const WallSegment& wall = cell.walls[j];
        std::string what;
        for (const float t : {0.25f, 0.5f, 0.75f}) {
            const Point aim{wall.x0 + t * (wall.x1 - wall.x0), wall.z0 + t * (wall.z1 - wall.z0)};
            for (const Point& from : starts) {
                const float distance = std::hypot(aim.x - from.x, aim.z - from.z) + Overshoot;
                const WalkEnd end = walk(cell, from, aim, distance, true);
                if (end.fault.empty()) continue;
                what = "walking from " + place(from.x, from.z) + " at the wall " + place(wall.x0, wall.z0) +
                       " - " + place(wall.x1, wall.z1) + " " + end.fault;
                break;
            }
            if (!what.empty()) break;
        }
        if (!what.empty()) faults.push_back({column, row, what});
    }
}

}  // namespace

bool checkWalks(const LevelGrid& grid, std::vector<WalkFault>& faults) {
    faults.clear();
    if (grid.width <= 0 || grid.height <= 0 || grid.width * grid.height > CellTableSize) {
        faults.push_back({0, 0, "the map does not fit the cell table"});
        return false;
    }
    const bool ownWindow = !platform::WindowIsOpen();
    if (ownWindow && !platform::OpenWindow({"walk check", 8, 8, false})) {
        faults.push_back({0, 0, "no OpenGL context to build the cells in"});
        return false;
    }

    CaveMap map;
    map.cells = grid.cells;
    map.width = grid.width;
    map.height = grid.height;
    map.cellSizeX = map.cellSizeZ = CellSize;
    map.loaded = true;

    freeAllCells();
    for (int r = 0; r < grid.height; ++r)
        for (int c = 0; c < grid.width; ++c)
            if (isOpenCell(map, c, r))
                if (CaveCell* cell = getOrCreateCell(r * grid.width + c, c * CellSize, r * CellSize))
                    compileCell(*cell, map);

    for (int r = 0; r < grid.height; ++r)
        for (int c = 0; c < grid.width; ++c) {
            const CaveCell* cell = CellTable[r * grid.width + c];
            if (!cell) continue;
            checkPassages(*cell, faults, c, r);
            checkWallsHold(*cell, faults, c, r);
        }

    freeAllCells();
    if (ownWindow) platform::CloseWindow();
    return true;
}
