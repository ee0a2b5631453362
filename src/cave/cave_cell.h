#pragma once
// The cave as the game walks and draws it: one cell per open grid square,
// with the openings to its open neighbours, the lines across them (portals),
// the walls that stop movement, the items lying in it and one display list.

#include "cave/cave_map.h"
#include "cave/item_list.h"
#include "math/wall_segment.h"

#include <cstdint>

inline constexpr int MaxConnections = 4;
inline constexpr int MaxWalls = 8;
inline constexpr int CellTableSize = 1024;
inline constexpr std::uint32_t ListNameBlock = 1000;  // names reserved by one glGenLists
inline constexpr float CellSize = 10.0f;
inline constexpr float CeilingHeight = 5.0f;  // above the floor

// Neighbour directions, clockwise as the map is drawn, from the top left.
// North is the previous row (world -z), west the previous column (world -x).
enum NeighbourDirection : int {
    ToNorthWest,
    ToNorth,
    ToNorthEast,
    ToEast,
    ToSouthEast,
    ToSouth,
    ToSouthWest,
    ToWest,
    DirectionCount
};

struct GridOffset {
    int column;
    int row;
};

inline constexpr GridOffset NeighbourOffsets[DirectionCount] = {
    {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0},
};

// How a panel's cross-section is turned at its ends.
enum class PanelShape : int { Square = 0, Mitre = 1, ReverseMitre = 2 };

// Cross-section of every wall panel from floor to ceiling. `offset` runs
// outward, away from the walkable side; the lateral normal points back.
struct ProfilePoint {
    float offset;
    float height;
    float normalLateral;
    float normalVertical;
    float v;
};

inline constexpr ProfilePoint WallProfile[4] = {
    {0.0f, 0.0f, 0.382f, 0.923f, 0.0f},
    {1.0f, 1.6666666f, 0.923f, 0.382f, 0.333f},
    {1.0f, 3.3333333f, 0.923f, -0.382f, 0.666f},
    {0.0f, 5.0f, 0.382f, -0.923f, 1.0f},
};

// Every segment has the cell's walkable side on its right when the floor
// plan is seen with x to the right and z downward. walls[2k] and
// walls[2k + 1] are the side walls of connection k; the corner walls follow.
struct CaveCell {
    CaveCell* prev = nullptr;
    CaveCell* next = nullptr;
    std::int16_t index = 0;  // row * grid width + column
    std::int16_t connectionCount = 0;
    std::int16_t wallCount = 0;
    std::int16_t directions[MaxConnections] = {};
    float x = 0.0f;  // world position of the minimum corner
    float z = 0.0f;
    CaveCell* neighbours[MaxConnections] = {};
    WallSegment portals[MaxConnections];
    WallSegment walls[MaxWalls];
    std::uint32_t displayList = 0;
    bool visited = false;  // only the render pass's walk uses it
    std::uint8_t walkDepth = 0;  // the least depth the walk reached it at, while visited
    ItemList items;
};

// Head and tail of every cell of the level, in creation order. Destroying it
// frees the cells and deletes their display lists.
struct CaveCellList {
    CaveCell* head = nullptr;
    CaveCell* tail = nullptr;

    CaveCellList() = default;
    ~CaveCellList();
    CaveCellList(const CaveCellList&) = delete;
    CaveCellList& operator=(const CaveCellList&) = delete;
};

extern CaveCell* CellTable[CellTableSize];
extern CaveCellList CellList;
// The one source of display-list names for cells and models; 0 until the
// first request. Never reset, so no name is handed out twice.
extern std::uint32_t NextListName;

float FloorHeight(float x, float z);

// The next display-list name. Reserves a fresh block of ListNameBlock names
// when none is left; 0 when GL cannot reserve one.
std::uint32_t takeListName();

// A new cell at the tail of CellList and in CellTable[index]; null for an
// index outside the table.
CaveCell* createCell(int index, float x, float z);
CaveCell* getOrCreateCell(int index, float x, float z);

bool compileCell(CaveCell& cell, const CaveMap& map);

// The pieces compileCell emits into its open GL_TRIANGLES batch.
void emitCellFloor(const CaveCell& cell);
// Records connection `direction` to `neighbour` with its portal and side
// walls, and emits the passage when this cell draws that direction. False,
// with nothing recorded, for a bad direction or a cell already full.
bool addPassage(int direction, CaveCell& cell, CaveCell& neighbour);
// The panel of walls[wallCount], the segment being added.
void emitWallPanel(const CaveCell& cell, PanelShape shape);

// Deletes every cell with its display list and item nodes; empties CellList
// and CellTable. NextListName keeps counting.
void freeAllCells();
