#pragma once
// Plays by itself through the keys and the pointer, the way a player does.
// It reads the game's state only to plan: a breadth-first path over the cave
// cells to the level's transporter, with short detours to the items lying in
// the cells it walks through. Which openings can be walked through, and which
// straight lines are clear, it tries out beforehand with the game's own
// collision step.

#include "platform/platform.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

struct CaveCell;
struct ItemNode;

// A monster as the autopilot sees it.
struct PilotMonster {
    enum Kind { Harmless, Walking, Charging };
    float x = 0.0f, y = 0.0f, z = 0.0f;  // feet
    Kind kind = Harmless;
};

// What the autopilot looks at before each frame.
struct PilotView {
    int gameState = 0;
    const CaveCell* cells = nullptr;  // head of the level's cell list
    const CaveCell* playerCell = nullptr;
    float x = 0.0f;  // the eye's ground position
    float z = 0.0f;
    float yaw = 0.0f;    // radians from +z toward +x
    float clock = 0.0f;  // game seconds
    float floorY = 0.0f;  // the floor under the eye
    int carriedRocks = 0;
    int coinCount = 0;
    bool hasDetector = false;
    static constexpr int MaxMonsters = 16;
    PilotMonster monsters[MaxMonsters];
    int monsterCount = 0;
};

PilotView ReadPilotView();

// Into (-pi, pi].
float WrapAngle(float angle);

// The yaw that looks from one ground point at another.
float HeadingTo(float fromX, float fromZ, float toX, float toZ);

// The window column to put the pointer in so that the view turns toward a
// heading `error` radians away (positive: toward larger yaw), in proportion
// to it, within the window.
int PointerColumn(float error, float gain, int width);

// The pitch (radians, positive down) that drops a thrown rock, leaving the eye
// `rise` below the target's height, onto it `distance` away, for frames of
// `frameSeconds`; clamped to what the pointer can give.
float ThrowPitch(float distance, float rise, float frameSeconds);

// Whether connection `k` of `cell` may be used; empty: all may.
using StepFilter = std::function<bool(const CaveCell& cell, int k)>;

// Fewest-step path along the cells' connections, both ends included; false
// when `goal` cannot be reached from `from`.
bool FindCellPath(const CaveCell* from, const CaveCell* goal, std::vector<const CaveCell*>& path,
                  const StepFilter& usable = {});

// An item lying in a cell, the fewest steps away that `wanted` accepts.
struct ItemFind {
    const CaveCell* cell = nullptr;
    const ItemNode* item = nullptr;
    int steps = -1;
};
using ItemFilter = std::function<bool(const ItemNode& item)>;

// Searches the cells at most `maxSteps` steps from `from`, nearest first; in
// one cell the first item in its list wins. No cell when none is wanted.
ItemFind FindNearestItem(const CaveCell* from, int maxSteps, const ItemFilter& wanted,
                         const StepFilter& usable = {});

// The cell holding the transporter, with the transporter's ground position.
const CaveCell* FindTransporter(const CaveCell* cells, float& x, float& z);

// A point walked in a straight line by the game's collision step.
struct LineWalk {
    static constexpr int MaxCells = 6;
    const CaveCell* entered[MaxCells] = {};  // the cells crossed into, in order
    int enteredCount = 0;
    bool touchedWall = false;
    bool stalled = false;  // the walls stopped it
};

// Walks from (x, z) in `cell` toward (toX, toZ) until it gets there, stalls,
// or has entered `stopAfter` cells.
LineWalk WalkLine(const CaveCell& cell, float x, float z, float toX, float toZ, int stopAfter);

class Autopilot {
public:
    // `frameMs`: the virtual length of a frame, which sets how hard to steer.
    Autopilot(int width, int height, int frameMs);

    // Appends the messages to send before the coming frame. Once the game is
    // won it presses Esc, which ends the game.
    void plan(const PilotView& view, std::vector<platform::Message>& out);

    bool walking() const { return forwardHeld_; }
    const std::vector<const CaveCell*>& path() const { return path_; }

private:
    enum class Mode { Normal, Recentre, BackOff };
    enum class Aim { Item, Transporter, Cell, Centre };
    struct Target {
        float x = 0.0f, z = 0.0f;
        Aim aim = Aim::Centre;
        const void* id = nullptr;  // what is aimed at; a change restarts the progress watch
    };
    struct CellStep {
        const CaveCell* from;
        const CaveCell* to;
    };

    struct Point {
        float x, z;
    };

    void startLevel(const PilotView& view);
    // Picks the rock or chest worth a detour, if any; true when that changed.
    bool chooseErrand(const PilotView& view);
    bool errandLies() const;
    bool stepUsable(const CaveCell& cell, int k);
    // Where the walk from path_[i - 1] into path_[i] starts and ends.
    Point laneStart(int i);
    Point laneEnd(int i);
    Point laneOffset(int i);
    void replan(const PilotView& view);
    void chooseWaypoint(const PilotView& view);
    bool chooseTarget(const PilotView& view, Target& target);
    void watchProgress(const PilotView& view, const Target& target, float distance);
    void giveUp(const PilotView& view, const Target& target);
    void steer(const PilotView& view, const Target& target, float distance,
               std::vector<platform::Message>& out);
    void holdStill(std::vector<platform::Message>& out);
    // Stands and throws at a charging monster in clear sight; false when none.
    bool fight(const PilotView& view, std::vector<platform::Message>& out);
    void setKey(int key, bool down, bool& held, std::vector<platform::Message>& out);
    void setPointer(int column, std::vector<platform::Message>& out, int row = -1);
    bool skipped(const ItemNode* item) const;

    int width_, height_;
    float gain_;
    float frameSeconds_ = 0.016f;
    int sentColumn_ = -1;
    int sentRow_ = -1;
    bool throwHeld_ = false;
    float lastThrow_ = -1e9f;
    bool forwardHeld_ = false;
    bool strafeHeld_ = false;
    bool backHeld_ = false;
    bool quitHeld_ = false;

    bool planned_ = false;
    const CaveCell* pathFrom_ = nullptr;
    const CaveCell* goal_ = nullptr;
    // A rock or chest off the way, fetched before going on to the transporter.
    const CaveCell* errandCell_ = nullptr;
    const ItemNode* errandItem_ = nullptr;
    float errandCheck_ = -1e9f;
    float errandUntil_ = 0.0f;  // given up after this: it may lie where it cannot be reached
    float goalX_ = 0.0f, goalZ_ = 0.0f;
    std::vector<const CaveCell*> path_;
    int waypoint_ = 0;  // aim at the lane end into path_[waypoint_]; 0: the first lane's start
    bool waypointStale_ = true;

    // Per connection slot of every cell: 0 untried, then the lane (1 + an
    // index into the lane offsets) a walk through it takes, or Unusable.
    static constexpr std::uint8_t Unusable = 0xFF;
    std::vector<std::uint8_t> stepLane_;

    Mode mode_ = Mode::Normal;
    float modeUntil_ = 0.0f;
    const void* watchedId_ = nullptr;
    float bestDistance_ = 0.0f;
    float stuckSeconds_ = 0.0f;
    float lastClock_ = 0.0f;
    CellStep recentredFor_{};  // the step that failed once already

    static constexpr int MaxSkipped = 64;
    std::array<const ItemNode*, MaxSkipped> skipped_{};
    int skippedCount_ = 0;
};
