#include "cave/cave_cell.h"

#include "app/utilities.h"

#include <GL/gl.h>

#include <cmath>
#include <new>

CaveCell* CellTable[CellTableSize] = {};
CaveCellList CellList;
std::uint32_t NextListName = 0;

namespace {

// One past the last name of the block NextListName draws from.
std::uint32_t ReservedEnd = 0;

// Deliberately not pi: the panels have always been turned by this much.
constexpr float HalfTurn = 3.14159f;
constexpr float MitreAngle = 0.7853975f;

struct Line {
    float x0, z0, x1, z1;
};

struct PassageLayout {
    Line portal;
    Line side1;
    Line side2;
    PanelShape shape;
    bool drawnHere;  // the neighbour comes earlier in the build's walk
};

// Relative to the cell's minimum corner.
constexpr PassageLayout Passages[DirectionCount] = {
    {{-5, 5, 5, -5}, {0, 5, -5, 0}, {0, -5, 5, 0}, PanelShape::Mitre, true},
    {{0, 0, 10, 0}, {0, 5, 0, -5}, {10, -5, 10, 5}, PanelShape::Square, true},
    {{5, -5, 15, 5}, {5, 0, 10, -5}, {15, 0, 10, 5}, PanelShape::Mitre, true},
    {{10, 0, 10, 10}, {5, 0, 15, 0}, {15, 10, 5, 10}, PanelShape::Square, false},
    {{15, 5, 5, 15}, {10, 5, 15, 10}, {10, 15, 5, 10}, PanelShape::Square, false},
    {{10, 10, 0, 10}, {10, 5, 10, 15}, {0, 15, 0, 5}, PanelShape::Square, false},
    {{5, 15, -5, 5}, {5, 10, 0, 15}, {-5, 10, 0, 5}, PanelShape::Square, false},
    {{0, 10, 0, 0}, {5, 10, -5, 10}, {-5, 0, 5, 0}, PanelShape::Square, true},
};

// Corner walls in the order they are added, each with the three directions
// that must all be rock.
struct CornerLayout {
    NeighbourDirection around[3];
    Line wall;
};

constexpr CornerLayout Corners[4] = {
    {{ToWest, ToNorthWest, ToNorth}, {0, 5, 5, 0}},
    {{ToNorth, ToNorthEast, ToEast}, {5, 0, 10, 5}},
    {{ToEast, ToSouthEast, ToSouth}, {10, 5, 5, 10}},
    {{ToSouth, ToSouthWest, ToWest}, {5, 10, 0, 5}},
};

// A point of the floor plan relative to the cell, with its texture coordinate.
struct PlanPoint {
    float dx, dz;
    float u, v;
};

void setSegment(const CaveCell& cell, const Line& line, WallSegment& seg) {
    seg = WallSegment{};
    seg.x0 = cell.x + line.x0;
    seg.z0 = cell.z + line.z0;
    seg.x1 = cell.x + line.x1;
    seg.z1 = cell.z + line.z1;
}

void emitPlanVertex(const CaveCell& cell, const PlanPoint& p, float normalY, float lift) {
    const float wx = cell.x + p.dx;
    const float wz = cell.z + p.dz;
    glNormal3f(0.0f, normalY, 0.0f);
    glTexCoord2f(p.u, p.v);
    glVertex3f(wx, FloorHeight(wx, wz) + lift, wz);
}

// Triangles as index triples into `points`; `lifts` gives each point's
// height above the floor.
template <int Count>
void emitPlanTriangles(const CaveCell& cell, const PlanPoint* points, const int (&triangles)[Count][3],
                       float normalY, const float* lifts) {
    for (const auto& triangle : triangles) {
        for (const int i : triangle) emitPlanVertex(cell, points[i], normalY, lifts[i]);
    }
}

void emitPassageSurface(const CaveCell& cell, int direction, float ceilingJitter) {
    const float ceiling = CeilingHeight;
    if (direction == ToNorthWest || direction == ToNorthEast) {
        const float kx = direction == ToNorthWest ? 0.0f : 10.0f;
        enum { S, E, W, N, K };
        const PlanPoint points[] = {
            {kx, 5, 0, 1}, {kx + 5, 0, 0, 0}, {kx - 5, 0, 1, 1}, {kx, -5, 1, 0}, {kx, 0, 0.5f, 0.5f},
        };
        const int floor[4][3] = {{S, E, K}, {K, W, S}, {K, N, W}, {K, E, N}};
        const int top[4][3] = {{E, S, K}, {W, K, S}, {N, K, W}, {E, K, N}};
        const float floorLifts[] = {0, 0, 0, 0, 0};
        // Only the corner point is jittered, so the diagonal ceilings are not
        // all the same flat pyramid.
        const float topLifts[] = {ceiling, ceiling, ceiling, ceiling, ceiling + ceilingJitter};
        emitPlanTriangles(cell, points, floor, 1.0f, floorLifts);
        emitPlanTriangles(cell, points, top, -1.0f, topLifts);
        return;
    }

    enum { A, B, M, P1, P2, Q1, Q2 };
    // North: P = An, As; Q = Bn, Bs. West: P = Ae, Aw; Q = Be, Bw.
    const PlanPoint north[] = {
        {0, 0, 0.5f, 0.5f}, {10, 0, 0.5f, 0.5f}, {5, 0, 0, 0},  {0, -5, 1, 0},
        {0, 5, 0, 1},       {10, -5, 0, 1},      {10, 5, 1, 0},
    };
    const PlanPoint west[] = {
        {0, 0, 0.5f, 0.5f}, {0, 10, 0.5f, 0.5f}, {0, 5, 0, 0},   {5, 0, 0, 1},
        {-5, 0, 1, 0},      {5, 10, 1, 0},       {-5, 10, 0, 1},
    };
    const int floor[4][3] = {{P1, A, M}, {M, A, P2}, {M, B, Q1}, {M, Q2, B}};
    const int top[4][3] = {{A, P1, M}, {M, P2, A}, {M, Q1, B}, {M, B, Q2}};
    const float floorLifts[] = {0, 0, 0, 0, 0, 0, 0};
    const float topLifts[] = {ceiling, ceiling, ceiling, ceiling, ceiling, ceiling, ceiling};
    const PlanPoint* points = direction == ToNorth ? north : west;
    emitPlanTriangles(cell, points, floor, 1.0f, floorLifts);
    emitPlanTriangles(cell, points, top, -1.0f, topLifts);
}

// Appends the segment as walls[wallCount], drawing its panel when asked.
bool addWall(CaveCell& cell, const Line& line, bool draw, PanelShape shape) {
    if (cell.wallCount < 0 || cell.wallCount >= MaxWalls) return false;
    WallSegment& seg = cell.walls[cell.wallCount];
    setSegment(cell, line, seg);
    prepareSegment(seg);
    if (draw) emitWallPanel(cell, shape);
    cell.wallCount += 1;
    return true;
}

void releaseCells(CaveCellList& list) {
    CaveCell* cell = list.head;
    while (cell) {
        CaveCell* next = cell->next;
        if (cell->displayList != 0) glDeleteLists(cell->displayList, 1);
        delete cell;  // its item nodes go with it
        cell = next;
    }
    list.head = nullptr;
    list.tail = nullptr;
}

}  // namespace

CaveCellList::~CaveCellList() { releaseCells(*this); }

float FloorHeight(float x, float z) { return 2.0f * std::cos(0.05f * (x + z)); }

std::uint32_t takeListName() {
    if (NextListName == 0 || NextListName >= ReservedEnd) {
        const GLuint first = glGenLists(static_cast<GLsizei>(ListNameBlock));
        if (first == 0) return 0;
        NextListName = first;
        ReservedEnd = first + ListNameBlock;
    }
    return NextListName++;
}

CaveCell* createCell(int index, float x, float z) {
    if (index < 0 || index >= CellTableSize) return nullptr;
    CaveCell* cell = new (std::nothrow) CaveCell;
    if (!cell) return nullptr;
    cell->index = static_cast<std::int16_t>(index);
    cell->x = x;
    cell->z = z;
    cell->displayList = takeListName();

    cell->prev = CellList.tail;
    if (CellList.tail) {
        CellList.tail->next = cell;
    } else {
        CellList.head = cell;
    }
    CellList.tail = cell;
    CellTable[index] = cell;
    return cell;
}

CaveCell* getOrCreateCell(int index, float x, float z) {
    if (index < 0 || index >= CellTableSize) return nullptr;
    if (CellTable[index]) return CellTable[index];
    return createCell(index, x, z);
}

bool compileCell(CaveCell& cell, const CaveMap& map) {
    const int gridWidth = map.width;
    if (gridWidth <= 0 || cell.index < 0) return false;
    const int column = cell.index % gridWidth;
    const int row = cell.index / gridWidth;

    // A second compile starts over rather than piling up connections.
    cell.connectionCount = 0;
    cell.wallCount = 0;

    if (cell.displayList != 0) glNewList(cell.displayList, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    emitCellFloor(cell);

    bool openAround[DirectionCount];
    for (int d = 0; d < DirectionCount; ++d) {
        const int c = column + NeighbourOffsets[d].column;
        const int r = row + NeighbourOffsets[d].row;
        openAround[d] = isOpenCell(map, c, r);
        if (!openAround[d]) continue;
        // Wide in case a huge grid width would overflow; the table is small anyway.
        const std::int64_t at = std::int64_t{r} * gridWidth + c;
        if (at >= CellTableSize) continue;
        CaveCell* neighbour = getOrCreateCell(static_cast<int>(at), static_cast<float>(c) * CellSize,
                                              static_cast<float>(r) * CellSize);
        if (neighbour) addPassage(d, cell, *neighbour);
    }

    for (const CornerLayout& corner : Corners) {
        if (openAround[corner.around[0]] || openAround[corner.around[1]] || openAround[corner.around[2]])
            continue;
        if (!addWall(cell, corner.wall, true, PanelShape::ReverseMitre)) break;
    }

    glEnd();
    if (cell.displayList != 0) glEndList();
    return true;
}

void emitCellFloor(const CaveCell& cell) {
    enum { N, E, S, W, P };
    const PlanPoint points[] = {{5, 0, 0, 0}, {10, 5, 1, 0}, {5, 10, 1, 1}, {0, 5, 0, 1}, {5, 5, 0.5f, 0.5f}};
    const int floor[4][3] = {{E, N, P}, {E, P, S}, {S, P, W}, {W, P, N}};
    const int top[4][3] = {{N, E, P}, {P, E, S}, {P, S, W}, {P, W, N}};
    const float floorLifts[] = {0, 0, 0, 0, 0};
    const float c = CeilingHeight;
    const float topLifts[] = {c, c, c, c, c};
    emitPlanTriangles(cell, points, floor, 1.0f, floorLifts);
    emitPlanTriangles(cell, points, top, -1.0f, topLifts);
}

bool addPassage(int direction, CaveCell& cell, CaveCell& neighbour) {
    // One draw on every call keeps the random sequence of a build fixed.
    const float ceilingJitter = RandomSigned();
    if (direction < 0 || direction >= DirectionCount) return false;
    const int k = cell.connectionCount;
    if (k < 0 || k >= MaxConnections || cell.wallCount != 2 * k) return false;

    const PassageLayout& layout = Passages[direction];
    cell.neighbours[k] = &neighbour;
    cell.directions[k] = static_cast<std::int16_t>(direction);
    setSegment(cell, layout.portal, cell.portals[k]);
    prepareSegment(cell.portals[k]);
    addWall(cell, layout.side1, layout.drawnHere, layout.shape);
    addWall(cell, layout.side2, layout.drawnHere, layout.shape);
    if (layout.drawnHere) emitPassageSurface(cell, direction, ceilingJitter);
    cell.connectionCount += 1;
    return true;
}

void emitWallPanel(const CaveCell& cell, PanelShape shape) {
    if (cell.wallCount < 0 || cell.wallCount >= MaxWalls) return;
    const WallSegment& s = cell.walls[cell.wallCount];

    const float theta = std::atan2(s.x1 - s.x0, s.z1 - s.z0) + HalfTurn;
    float phi0 = theta;
    float phi1 = theta;
    if (shape == PanelShape::Mitre) {
        phi0 = theta - MitreAngle;
        phi1 = theta + MitreAngle;
    } else if (shape == PanelShape::ReverseMitre) {
        phi0 = theta + MitreAngle;
        phi1 = theta - MitreAngle;
    }
    const float cosTheta = std::cos(theta), sinTheta = std::sin(theta);
    const float cos0 = std::cos(phi0), sin0 = std::sin(phi0);
    const float cos1 = std::cos(phi1), sin1 = std::sin(phi1);
    // Each end stands on the floor at its own end, not under the bulge.
    const float h0 = FloorHeight(s.x0, s.z0);
    const float h1 = FloorHeight(s.x1, s.z1);

    struct Corner {
        float x, y, z, u;
    };
    Corner first[4], second[4];
    for (int i = 0; i < 4; ++i) {
        const ProfilePoint& p = WallProfile[i];
        first[i] = {s.x0 - p.offset * cos0, h0 + p.height, s.z0 + p.offset * sin0, 0.0f};
        second[i] = {s.x1 - p.offset * cos1, h1 + p.height, s.z1 + p.offset * sin1, 1.0f};
    }
    const auto emit = [&](const Corner& c, int i) {
        const ProfilePoint& p = WallProfile[i];
        glNormal3f(p.normalLateral * cosTheta, p.normalVertical, -p.normalLateral * sinTheta);
        glTexCoord2f(c.u, p.v);
        glVertex3f(c.x, c.y, c.z);
    };
    const auto emitBands = [&](const Corner* e, const Corner* f) {
        for (int band = 0; band < 3; ++band) {
            emit(e[band], band);
            emit(f[band], band);
            emit(f[band + 1], band + 1);
            emit(f[band + 1], band + 1);
            emit(e[band + 1], band + 1);
            emit(e[band], band);
        }
    };
    if (shape != PanelShape::Square) {
        emitBands(first, second);
        return;
    }
    // A square panel runs centre to centre beside a passage, whose floor and
    // ceiling have a vertex at its middle. The panel is drawn in two halves
    // that meet the floor and ceiling there, or the curved floor would leave
    // a crack along the joins.
    const float mx = 0.5f * (s.x0 + s.x1), mz = 0.5f * (s.z0 + s.z1);
    const float hm = FloorHeight(mx, mz);
    Corner middle[4];
    for (int i = 0; i < 4; ++i) {
        const ProfilePoint& p = WallProfile[i];
        middle[i] = {mx - p.offset * cos0, hm + p.height, mz + p.offset * sin0, 0.5f};
    }
    emitBands(first, middle);
    emitBands(middle, second);
}

void freeAllCells() {
    for (CaveCell*& entry : CellTable) entry = nullptr;
    releaseCells(CellList);
}
