#include "cave/cave_cell.h"

#include "app/utilities.h"
#include "support/gl_context.h"

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr float Tol = 1e-3f;

struct Corner {
    Vector3 p, n;
    float u, v;
};
using Triangle = std::array<Corner, 3>;

Vector3 operator-(const Vector3& a, const Vector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vector3 windingNormal(const Triangle& t) { return cross(t[1].p - t[0].p, t[2].p - t[0].p); }
float aboveFloor(const Corner& c) { return c.p.y - FloorHeight(c.p.x, c.p.z); }

// > 0 when (x, z) is right of first -> second end, with x right and z down.
float side(const WallSegment& s, float x, float z) {
    return (s.x1 - s.x0) * (z - s.z0) - (s.z1 - s.z0) * (x - s.x0);
}

// Cell corners lie on whole numbers, so the ends are exact.
using Ends = std::array<float, 4>;
Ends ends(const WallSegment& s) { return {s.x0, s.z0, s.x1, s.z1}; }
Ends reversed(const WallSegment& s) { return {s.x1, s.z1, s.x0, s.z0}; }

// One feedback pass over the list, lit by three coloured directional lights
// along +x, +y, +z (or their opposites), so each colour channel carries the
// positive part of one normal component. World = window coordinates here.
std::vector<Triangle> feedbackPass(GLuint list, float sign) {
    glEnable(GL_LIGHTING);
    const GLfloat none[] = {0, 0, 0, 1}, white[] = {1, 1, 1, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, none);
    for (int i = 0; i < 3; ++i) {
        GLfloat colour[] = {0, 0, 0, 1}, direction[] = {0, 0, 0, 0};
        colour[i] = 1;
        direction[i] = sign;
        const GLenum light = GL_LIGHT0 + static_cast<GLenum>(i);
        glEnable(light);
        glLightfv(light, GL_DIFFUSE, colour);
        glLightfv(light, GL_SPECULAR, none);
        glLightfv(light, GL_POSITION, direction);
    }
    std::vector<GLfloat> buffer(200000);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glCallList(list);
    const int used = glRenderMode(GL_RENDER);

    std::vector<Triangle> triangles;
    for (int at = 0; at + 2 + 33 <= used;) {
        EXPECT_EQ(buffer[at], static_cast<GLfloat>(GL_POLYGON_TOKEN));
        EXPECT_EQ(buffer[at + 1], 3.0f);
        Triangle t;
        for (int k = 0; k < 3; ++k) {
            const GLfloat* f = &buffer[at + 2 + 11 * k];
            t[k] = {{f[0], f[1], 100.0f * (1.0f - 2.0f * f[2])}, {f[3], f[4], f[5]}, f[7], f[8]};
        }
        triangles.push_back(t);
        at += 35;
    }
    return triangles;
}

std::vector<Triangle> trianglesOf(const CaveCell& cell) {
    glViewport(-100, -100, 200, 200);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-100, 100, -100, 100, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_CULL_FACE);
    std::vector<Triangle> triangles = feedbackPass(cell.displayList, 1.0f);
    const std::vector<Triangle> opposite = feedbackPass(cell.displayList, -1.0f);
    EXPECT_EQ(triangles.size(), opposite.size());
    for (std::size_t i = 0; i < triangles.size() && i < opposite.size(); ++i)
        for (int k = 0; k < 3; ++k) triangles[i][k].n = triangles[i][k].n - opposite[i][k].n;
    return triangles;
}

bool hasVertex(const std::vector<Triangle>& triangles, float x, float y, float z) {
    for (const Triangle& t : triangles)
        for (const Corner& c : t)
            if (std::abs(c.p.x - x) < Tol && std::abs(c.p.y - y) < 2 * Tol && std::abs(c.p.z - z) < Tol)
                return true;
    return false;
}

struct Surfaces {
    std::vector<Triangle> triangles;
    int floor = 0, ceiling = 0, panel = 0;
    float floorArea = 0;
};

// Sorts a cell's triangles by where they lie and checks that each faces the
// inside of the cave, both by its winding and by its normals.
Surfaces checkSurfaces(const CaveCell& cell) {
    Surfaces s{trianglesOf(cell)};
    const float cx = cell.x + 5, cz = cell.z + 5;
    for (const Triangle& t : s.triangles) {
        const Vector3 w = windingNormal(t);
        for (const Corner& c : t)
            EXPECT_GT(dot(w, c.n), 0.0f) << "winding against normal at " << c.p.x << "," << c.p.z;
        const bool onFloor = std::abs(aboveFloor(t[0])) < Tol && std::abs(aboveFloor(t[1])) < Tol &&
                             std::abs(aboveFloor(t[2])) < Tol;
        if (onFloor) {
            s.floor += 1;
            s.floorArea += 0.5f * w.y;
            EXPECT_GT(w.y, 0.0f);
            EXPECT_NEAR(t[0].n.y, 1.0f, Tol);
        } else if (aboveFloor(t[0]) > 3.9f && aboveFloor(t[1]) > 3.9f && aboveFloor(t[2]) > 3.9f) {
            s.ceiling += 1;
            EXPECT_LT(w.y, 0.0f);
            EXPECT_NEAR(t[0].n.y, -1.0f, Tol);
        } else {
            s.panel += 1;
            // The walkable side, and with it the cell's centre, is in front of every panel.
            const Vector3 centroid{(t[0].p.x + t[1].p.x + t[2].p.x) / 3, 0,
                                   (t[0].p.z + t[1].p.z + t[2].p.z) / 3};
            EXPECT_GT(t[0].n.x * (cx - centroid.x) + t[0].n.z * (cz - centroid.z), 0.0f);
        }
    }
    return s;
}

// A grid of `width` x `height` cells, all open.
CaveMap OpenGrid(int width, int height) {
    CaveMap map;
    map.width = width;
    map.height = height;
    map.cells.assign(static_cast<std::size_t>(width * height), OpenCell);
    return map;
}

// Builds a cave in the level build's walk order: '.' open, '#' rock.
int buildCave(const std::vector<std::string>& rows) {
    const int width = static_cast<int>(rows[0].size());
    CaveMap map = OpenGrid(width, static_cast<int>(rows.size()));
    for (int r = 0; r < map.height; ++r)
        for (int c = 0; c < width; ++c)
            if (rows[r][c] != '.') map.cells[static_cast<std::size_t>(r * width + c)] = 1;
    for (int r = 0; r < map.height; ++r) {
        for (int c = 0; c < width; ++c) {
            if (!isOpenCell(map, c, r)) continue;
            EXPECT_TRUE(compileCell(*getOrCreateCell(r * width + c, c * 10.0f, r * 10.0f), map));
        }
    }
    return width;
}

class CaveCellTest : public ::testing::Test {
protected:
    CaveCellTest() {
        freeAllCells();
        NextListName = 0;  // a fresh context has reserved nothing yet
    }
    ~CaveCellTest() override { freeAllCells(); }

private:
    struct FreshProgram {
        FreshProgram() { ResetProgramState(); }
    } fresh_;
    OffscreenContext context_{16, 16};
};

}  // namespace

TEST_F(CaveCellTest, LoneCellIsADiamondOfFourCornerWalls) {
    const int width = buildCave({"###", "#.#", "###"});
    const CaveCell& cell = *CellTable[width + 1];
    EXPECT_EQ(CellList.head, &cell);
    EXPECT_EQ(cell.connectionCount, 0);
    ASSERT_EQ(cell.wallCount, 4);
    EXPECT_EQ(ends(cell.walls[0]), (Ends{10, 15, 15, 10}));
    EXPECT_EQ(ends(cell.walls[1]), (Ends{15, 10, 20, 15}));
    EXPECT_EQ(ends(cell.walls[2]), (Ends{20, 15, 15, 20}));
    EXPECT_EQ(ends(cell.walls[3]), (Ends{15, 20, 10, 15}));

    const Surfaces s = checkSurfaces(cell);
    EXPECT_EQ(s.floor, 4);
    EXPECT_EQ(s.ceiling, 4);
    EXPECT_EQ(s.panel, 4 * 6);
    EXPECT_NEAR(s.floorArea, 50.0f, 0.01f);
    // The texture runs along the diamond's edges: u from north to east, v from north to west.
    for (const Triangle& t : s.triangles) {
        for (const Corner& c : t) {
            if (std::abs(c.n.y) < 0.999f) continue;
            EXPECT_NEAR(c.u, (c.p.x + c.p.z - 25) / 10, Tol);
            EXPECT_NEAR(c.v, (c.p.z - c.p.x + 5) / 10, Tol);
        }
    }
    // The north-west panel bulges west at its west end and north at its north end.
    const float h = FloorHeight(10, 15) + 1.6666666f;
    EXPECT_TRUE(hasVertex(s.triangles, 9, h, 15));
    EXPECT_TRUE(hasVertex(s.triangles, 15, h, 9));
}

TEST_F(CaveCellTest, SideBySideCellsShareOnePassageDrawnByTheEasternCell) {
    const int width = buildCave({"####", "#..#", "####"});
    CaveCell& west = *CellTable[width + 1];
    CaveCell& east = *CellTable[width + 2];
    EXPECT_EQ(CellList.head, &west);
    EXPECT_EQ(CellList.tail, &east);
    EXPECT_EQ(west.next, &east);

    ASSERT_EQ(west.connectionCount, 1);
    ASSERT_EQ(east.connectionCount, 1);
    EXPECT_EQ(west.directions[0], 3);
    EXPECT_EQ(east.directions[0], 7);
    EXPECT_EQ(west.neighbours[0], &east);
    EXPECT_EQ(east.neighbours[0], &west);
    EXPECT_EQ(ends(west.portals[0]), (Ends{20, 10, 20, 20}));
    EXPECT_EQ(ends(east.portals[0]), (Ends{20, 20, 20, 10}));
    // The same walls, each the same way round, listed the other way.
    EXPECT_EQ(ends(west.walls[0]), (Ends{15, 10, 25, 10}));
    EXPECT_EQ(ends(west.walls[1]), (Ends{25, 20, 15, 20}));
    EXPECT_EQ(ends(east.walls[0]), ends(west.walls[1]));
    EXPECT_EQ(ends(east.walls[1]), ends(west.walls[0]));
    ASSERT_EQ(west.wallCount, 4);
    ASSERT_EQ(east.wallCount, 4);
    EXPECT_EQ(ends(west.walls[2]), (Ends{10, 15, 15, 10}));  // north-west corner
    EXPECT_EQ(ends(west.walls[3]), (Ends{15, 20, 10, 15}));  // south-west corner
    EXPECT_EQ(ends(east.walls[2]), (Ends{25, 10, 30, 15}));  // north-east corner
    EXPECT_EQ(ends(east.walls[3]), (Ends{30, 15, 25, 20}));  // south-east corner

    const Surfaces w = checkSurfaces(west), e = checkSurfaces(east);
    EXPECT_EQ(w.floor + w.ceiling, 8);
    EXPECT_EQ(w.panel, 2 * 6);
    EXPECT_EQ(e.floor + e.ceiling, 8 + 8);
    // Two corner panels, and two side panels in halves that meet the
    // passage floor and ceiling at their middle vertex.
    EXPECT_EQ(e.panel, 2 * 6 + 2 * 12);
    // Two half diamonds at the ends and a corridor from centre to centre.
    EXPECT_NEAR(w.floorArea + e.floorArea, 150.0f, 0.01f);
}

TEST_F(CaveCellTest, PanelsMeetTheFloorAndCeilingAlongWholeEdges) {
    // Corridors, a diagonal step, a fork and dead ends.
    buildCave({"########", "#...#..#", "####.###", "###.#.##", "##.###.#", "########"});
    std::vector<Triangle> flat, panels;
    for (const CaveCell* cell = CellList.head; cell; cell = cell->next)
        for (const Triangle& t : trianglesOf(*cell)) {
            const bool level = std::abs(t[0].n.y) > 0.99f && std::abs(t[1].n.y) > 0.99f;
            (level ? flat : panels).push_back(t);
        }
    ASSERT_FALSE(panels.empty());
    // No floor or ceiling corner may lie inside a panel's foot or top edge:
    // the curved floor would leave a crack beside it.
    int edges = 0;
    for (const Triangle& panel : panels)
        for (int k = 0; k < 3; ++k) {
            const Vector3 a = panel[k].p, b = panel[(k + 1) % 3].p;
            const bool foot = std::abs(aboveFloor(panel[k])) < Tol && std::abs(aboveFloor(panel[(k + 1) % 3])) < Tol;
            const bool top = std::abs(aboveFloor(panel[k]) - 5) < Tol &&
                             std::abs(aboveFloor(panel[(k + 1) % 3]) - 5) < Tol;
            if (!foot && !top) continue;
            ++edges;
            const float length = std::hypot(b.x - a.x, b.z - a.z);
            for (const Triangle& t : flat)
                for (const Corner& c : t) {
                    if (std::abs(c.p.y - a.y) > 3) continue;  // the other surface
                    const float along = ((c.p.x - a.x) * (b.x - a.x) + (c.p.z - a.z) * (b.z - a.z)) / length;
                    const float across = ((c.p.x - a.x) * (b.z - a.z) - (c.p.z - a.z) * (b.x - a.x)) / length;
                    EXPECT_FALSE(std::abs(across) < Tol && along > Tol && along < length - Tol)
                        << "corner (" << c.p.x << ", " << c.p.z << ") inside the panel edge (" << a.x << ", "
                        << a.z << ") - (" << b.x << ", " << b.z << ")";
                }
        }
    EXPECT_GT(edges, 0);
}

TEST_F(CaveCellTest, DiagonalPassageIsDrawnByTheLowerCellWithAJitteredCeiling) {
    SeedRandom(99);
    RandomSigned();  // the upper cell's draw
    const float jitter = RandomSigned();
    SeedRandom(99);
    const int width = buildCave({"####", "#.##", "##.#", "####"});
    CaveCell& upper = *CellTable[width + 1];
    CaveCell& lower = *CellTable[2 * width + 2];

    ASSERT_EQ(upper.connectionCount, 1);
    EXPECT_EQ(upper.directions[0], 4);
    ASSERT_EQ(lower.connectionCount, 1);
    EXPECT_EQ(lower.directions[0], 0);
    const Surfaces u = checkSurfaces(upper), l = checkSurfaces(lower);
    EXPECT_EQ(u.floor + u.ceiling, 8);
    EXPECT_EQ(u.panel, 3 * 6);
    EXPECT_EQ(l.floor + l.ceiling, 16);
    EXPECT_EQ(l.panel, 5 * 6);

    const std::vector<Triangle>& triangles = l.triangles;
    EXPECT_TRUE(hasVertex(triangles, 20, FloorHeight(20, 20) + 5 + jitter, 20));
    // Mitred ends bulge along the axes: west and south on one side wall,
    // east and north on the other.
    const float h = 1.6666666f;
    EXPECT_TRUE(hasVertex(triangles, 19, FloorHeight(20, 25) + h, 25));
    EXPECT_TRUE(hasVertex(triangles, 15, FloorHeight(15, 20) + h, 21));
    EXPECT_TRUE(hasVertex(triangles, 25, FloorHeight(25, 20) + h, 19));
}

TEST_F(CaveCellTest, EverySegmentHasItsCellOnTheRightAndPassagesAgree) {
    const std::vector<std::string> rows = {"########", "#..#..##", "#.#.#.##",
                                           "#..#.#.#", "##.#..##", "########"};
    const int width = buildCave(rows);
    int cells = 0, links = 0, floors = 0;
    for (const CaveCell* cell = CellList.head; cell; cell = cell->next) {
        cells += 1;
        links += cell->connectionCount;
        const float cx = cell->x + 5, cz = cell->z + 5;
        for (int i = 0; i < cell->wallCount; ++i) EXPECT_GT(side(cell->walls[i], cx, cz), 0.0f);
        for (int k = 0; k < cell->connectionCount; ++k) {
            const CaveCell& other = *cell->neighbours[k];
            EXPECT_GT(side(cell->portals[k], cx, cz), 0.0f);
            EXPECT_LT(side(cell->portals[k], other.x + 5, other.z + 5), 0.0f);
            const int d = cell->directions[k];
            EXPECT_EQ(other.index,
                      cell->index + NeighbourOffsets[d].row * width + NeighbourOffsets[d].column);
            int back = 0;
            while (back < other.connectionCount && other.neighbours[back] != cell) ++back;
            ASSERT_LT(back, other.connectionCount);
            EXPECT_EQ(other.directions[back], (d + 4) % 8);
            EXPECT_EQ(ends(cell->portals[k]), reversed(other.portals[back]));
            EXPECT_EQ(ends(cell->walls[2 * k]), ends(other.walls[2 * back + 1]));
            EXPECT_EQ(ends(cell->walls[2 * k + 1]), ends(other.walls[2 * back]));
        }
        floors += checkSurfaces(*cell).floor;
    }
    EXPECT_EQ(cells, 14);
    EXPECT_EQ(links, 2 * 21);
    EXPECT_EQ(floors, 4 * cells + 4 * 21);  // each passage drawn once
}

TEST_F(CaveCellTest, RecordsNeverOverflowAndBadCellsAreRefused) {
    EXPECT_EQ(createCell(-1, 0, 0), nullptr);
    EXPECT_EQ(getOrCreateCell(CellTableSize, 0, 0), nullptr);
    EXPECT_EQ(CellList.head, nullptr);

    // Every neighbour open: more than the record holds.
    const int width = buildCave({"...", "...", "..."});
    const CaveCell& centre = *CellTable[width + 1];
    EXPECT_EQ(centre.connectionCount, MaxConnections);
    EXPECT_EQ(centre.wallCount, MaxWalls);
    EXPECT_FALSE(compileCell(*CellTable[0], CaveMap{}));

    CaveCell& cell = *createCell(CellTableSize - 1, 0, 0);
    EXPECT_FALSE(addPassage(8, cell, cell));
    EXPECT_FALSE(addPassage(-1, cell, cell));
    EXPECT_EQ(cell.connectionCount, 0);
    EXPECT_TRUE(compileCell(cell, OpenGrid(32, 32)));
    EXPECT_EQ(cell.connectionCount, 3);
    // Neighbours past the table's end are left out: only north and north-east remain.
    EXPECT_TRUE(compileCell(cell, OpenGrid(33, 32)));
    EXPECT_EQ(cell.connectionCount, 2);
}

TEST_F(CaveCellTest, ListNamesContinueAcrossLevelsAndAreNeverRepeated) {
    buildCave({"###", "#.#", "###"});
    const GLuint first = CellList.head->displayList;
    EXPECT_TRUE(glIsList(first));
    appendItem(CellList.head->items, ItemChest, nullptr);  // freed with its cell
    freeAllCells();
    EXPECT_FALSE(glIsList(first));
    EXPECT_EQ(CellList.head, nullptr);
    EXPECT_EQ(CellList.tail, nullptr);
    for (const CaveCell* entry : CellTable) EXPECT_EQ(entry, nullptr);

    buildCave({"####", "#..#", "####"});
    EXPECT_EQ(CellList.head->displayList, first + 1);
    EXPECT_EQ(CellList.tail->displayList, first + 2);
}

TEST_F(CaveCellTest, AnotherBlockIsReservedWhenTheFirstIsUsedUp) {
    std::set<GLuint> names;
    const GLuint first = takeListName();
    names.insert(first);
    for (GLuint i = 1; i < ListNameBlock; ++i) EXPECT_EQ(takeListName(), first + i);
    const GLuint other = glGenLists(5);  // somebody else's names, right after the block
    for (GLuint i = 0; i < ListNameBlock + 1; ++i) {
        const GLuint name = takeListName();
        EXPECT_TRUE(name < other || name >= other + 5) << name;
        EXPECT_TRUE(names.insert(name).second) << name;
    }
}

TEST(ItemListTest, RemoveRelinksAndRefusesNodesOfOtherLists) {
    ItemList list, other;
    ItemNode* stranger = appendItem(other, ItemRock, nullptr);
    EXPECT_FALSE(removeItem(list, stranger));
    ItemNode* only = appendItem(list, ItemChest, nullptr);
    EXPECT_FALSE(removeItem(list, stranger));
    EXPECT_TRUE(removeItem(list, only));
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
    EXPECT_EQ(list.count, 0);

    ItemNode* a = appendItem(list, ItemRock, nullptr);
    ItemNode* b = appendItem(list, ItemDetector, nullptr);
    ItemNode* c = appendItem(list, ItemTransporter, nullptr);
    EXPECT_TRUE(removeItem(list, b));
    EXPECT_EQ(a->next, c);
    EXPECT_EQ(c->prev, a);
    EXPECT_TRUE(removeItem(list, c));
    EXPECT_EQ(list.tail, a);
    EXPECT_EQ(a->next, nullptr);
    EXPECT_EQ(list.count, 1);
    EXPECT_EQ(other.count, 1);
}
