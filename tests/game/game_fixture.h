#pragma once
// The real start-up on a level of the test's own, with nothing placed in it
// unless a test puts it there.

#include "cave/cave_cell.h"
#include "cave/item_list.h"
#include "model/static_model.h"
#include "support/temp_folder.h"

#include <initializer_list>

// A straight corridor of 16 cells along +x: cell (c, 0) spans x 10c..10c+10.
inline const std::initializer_list<const char*> Corridor = {"................"};

class GameTest : public GameFolderTest {
protected:
    // Starts the game on a copy of `rows` that is the second of three levels.
    void start(std::initializer_list<const char*> rows = Corridor, bool lights = false);
    void TearDown() override;

    static CaveCell* cellAt(int column, int row);
    // Stands the player at (x, z) in the cell there, facing +x.
    static void standAt(float x, float z);
    static void place(StaticModel& model, ItemKind kind, float x, float z);
    // Runs `count` game updates of `seconds` each.
    static void updates(int count, float seconds = 0.02f);
};
