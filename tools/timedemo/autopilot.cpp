#include "autopilot.h"

#include "cave/cave_cell.h"
#include "game/game_state.h"
#include "game/monsters.h"
#include "game/player.h"
#include "model/static_model.h"
#include "platform/keys.h"

#include <algorithm>
#include <cmath>

namespace {

using platform::Message;
using platform::MessageType;

constexpr float Pi = 3.14159265f;
constexpr float HalfCell = 5.0f;
constexpr float DetourReach = 3.5f;  // items farther from their cell's centre are not worth it
constexpr float RockDetourReach = 4.5f;
constexpr float WalkAngle = 0.25f;         // walk only when heading this close to the target
constexpr float StrafeAngle = 0.4636476f;  // forward plus sideways walks this far right of the view, faster
constexpr float ProgressStep = 0.25f;      // a distance gain that counts as progress
constexpr float StuckSeconds = 1.0f;       // walking this long without progress is stuck
constexpr float RecentreSeconds = 3.0f;
constexpr float BackOffSeconds = 0.6f;
constexpr float CentreReached = 1.0f;
constexpr float MaxTurnPerFrame = 0.3f;  // share of the heading error one frame may take away
constexpr float MaxGain = 8.0f;
constexpr float WalkStep = 0.1f;    // about one frame of walking
constexpr float LineMargin = 0.3f;  // a line counts as clear when both its sides at this distance are
constexpr int MaxLookahead = 4;
constexpr float LaneReached = 0.5f;
constexpr float MaxPitch = 0.5f;       // the pointer's full height
constexpr float RockSpeed = 40.0f;     // units a second for the thrown velocity of 1
constexpr float ThrowFromEye = 0.25f;  // the rock leaves this far above the eye
constexpr float HeadAboveFeet = 2.2f;
constexpr float ChargeSpeed = 4.0f;  // a charging monster closes in this fast
constexpr float ThrowRange = 14.5f;  // charging starts at about 14.1
constexpr float WalkerThrowRange = 17.0f;
constexpr float ThrowCloseLimit = 2.0f;  // nearer than this it has already struck
constexpr float AimedYaw = 0.04f;        // radians off the monster that still hit the head
constexpr float HeadReachAim = 1.0f;     // a rock within 1.41 units across strikes
constexpr float ThrowInterval = 0.3f;    // seconds between throws, to see the last one land
constexpr int WantedRocks = 3;
constexpr int RockErrandSteps = 4;
constexpr int ChestErrandSteps = 3;
constexpr float ErrandRecheck = 0.5f;  // seconds: thrown rocks come to rest in the meantime
constexpr float QuietRange = 20.0f;     // chests wait while a monster hunts this close
constexpr float ErrandSeconds = 6.0f;   // to fetch an item in the same cell, and more per step
constexpr float ErrandStepSeconds = 4.0f;
constexpr float ItemInside = 0.75f;  // a rock may come to rest just over its cell's edge
// Sideways shifts of the line from centre to centre, tried in this order:
// another passage's walls can shut part of an opening.
constexpr float LaneOffsets[] = {0.0f, -1.0f, 1.0f, -2.0f, 2.0f};
constexpr int LaneCount = static_cast<int>(std::size(LaneOffsets));

float CentreX(const CaveCell& cell) { return cell.x + HalfCell; }
float CentreZ(const CaveCell& cell) { return cell.z + HalfCell; }

bool ValidIndex(const CaveCell* cell) { return cell && cell->index >= 0 && cell->index < CellTableSize; }

// Two walks beside the line from (x, z) to (toX, toZ), LineMargin to either side.
template <class Accept>
bool BothSidesPass(const CaveCell& cell, float x, float z, float toX, float toZ, int stopAfter,
                   Accept accept) {
    const float length = std::hypot(toX - x, toZ - z);
    if (length <= 0.0f) return false;
    const float ox = -(toZ - z) / length * LineMargin;
    const float oz = (toX - x) / length * LineMargin;
    for (const float side : {1.0f, -1.0f}) {
        const LineWalk walk =
            WalkLine(cell, x + side * ox, z + side * oz, toX + side * ox, toZ + side * oz, stopAfter);
        if (!accept(walk)) return false;
    }
    return true;
}

}  // namespace

PilotView ReadPilotView() {
    PilotView view;
    view.gameState = GameState;
    view.cells = CellList.head;
    view.playerCell = PlayerCell;
    view.x = PlayerPos.x;
    view.z = PlayerPos.z;
    view.yaw = ViewYaw;
    view.clock = GameClock;
    view.floorY = FloorHeight(PlayerPos.x, PlayerPos.z);
    view.carriedRocks = CarriedRocks.count;
    view.coinCount = CoinCount;
    view.hasDetector = HasDetector;
    view.monsterCount = std::clamp(MonsterCount, 0, PilotView::MaxMonsters);
    for (int i = 0; i < view.monsterCount; ++i) {
        Monster& monster = Monsters[i];
        const int state = behaviourState(monster);
        PilotMonster& seen = view.monsters[i];
        seen = {monster.position.x, monster.position.y, monster.position.z, PilotMonster::Harmless};
        if (state != 0 && state == AnimAttack)
            seen.kind = PilotMonster::Charging;
        else if (state != 0 && state == AnimWalking)
            seen.kind = PilotMonster::Walking;
    }
    return view;
}

float WrapAngle(float angle) {
    angle = std::remainder(angle, 2.0f * Pi);
    return angle <= -Pi ? angle + 2.0f * Pi : angle;
}

float HeadingTo(float fromX, float fromZ, float toX, float toZ) {
    return std::atan2(toX - fromX, toZ - fromZ);
}

int PointerColumn(float error, float gain, int width) {
    const float pointer = std::clamp(-gain * error, -1.0f, 1.0f);
    const long column = std::lround((pointer + 1.0f) * static_cast<float>(width) * 0.5f);
    return static_cast<int>(std::clamp(column, 0L, static_cast<long>(width) - 1));
}

float ThrowPitch(float distance, float rise, float frameSeconds) {
    const float dt = std::clamp(frameSeconds, 0.001f, 0.2f);
    // Height of the rock relative to the eye once it has flown `distance`,
    // stepped the way the game steps it.
    const auto heightAt = [&](float pitch) {
        float vh = std::cos(pitch), vy = -std::sin(pitch);
        float h = 0.0f, y = ThrowFromEye;
        for (int step = 0; step < 400; ++step) {
            const float nh = h + vh * dt * RockSpeed, ny = y + vy * dt * RockSpeed;
            if (nh >= distance) return y + (ny - y) * (distance - h) / std::max(nh - h, 1e-6f);
            h = nh;
            y = ny;
            vh *= 1.0f - dt;
            vy = vy * (1.0f - dt) - dt;
        }
        return -1e6f;
    };
    float low = -MaxPitch, high = MaxPitch;  // looking up throws higher
    for (int i = 0; i < 24; ++i) {
        const float mid = 0.5f * (low + high);
        if (heightAt(mid) > rise)
            low = mid;
        else
            high = mid;
    }
    return 0.5f * (low + high);
}

bool FindCellPath(const CaveCell* from, const CaveCell* goal, std::vector<const CaveCell*>& path,
                  const StepFilter& usable) {
    path.clear();
    if (!ValidIndex(from) || !ValidIndex(goal)) return false;
    std::array<const CaveCell*, CellTableSize> cameFrom{};
    std::array<const CaveCell*, CellTableSize> queue{};
    std::array<bool, CellTableSize> seen{};
    int head = 0, tail = 0;
    queue[tail++] = from;
    seen[from->index] = true;
    while (head < tail && !seen[goal->index]) {
        const CaveCell* cell = queue[head++];
        const int count = std::clamp<int>(cell->connectionCount, 0, MaxConnections);
        for (int k = 0; k < count; ++k) {
            const CaveCell* next = cell->neighbours[k];
            if (!ValidIndex(next) || seen[next->index] || tail == CellTableSize) continue;
            if (usable && !usable(*cell, k)) continue;
            seen[next->index] = true;
            cameFrom[next->index] = cell;
            queue[tail++] = next;
        }
    }
    if (!seen[goal->index]) return false;
    for (const CaveCell* cell = goal; cell; cell = cell == from ? nullptr : cameFrom[cell->index])
        path.push_back(cell);
    std::reverse(path.begin(), path.end());
    return true;
}

ItemFind FindNearestItem(const CaveCell* from, int maxSteps, const ItemFilter& wanted,
                         const StepFilter& usable) {
    ItemFind found;
    if (!ValidIndex(from) || !wanted) return found;
    std::array<const CaveCell*, CellTableSize> queue{};
    std::array<std::int8_t, CellTableSize> steps;
    steps.fill(-1);
    int head = 0, tail = 0;
    queue[tail++] = from;
    steps[from->index] = 0;
    while (head < tail) {
        const CaveCell* cell = queue[head++];
        for (const ItemNode* node = cell->items.head; node; node = node->next) {
            if (!node->object || !wanted(*node)) continue;
            found = {cell, node, steps[cell->index]};
            return found;
        }
        if (steps[cell->index] >= maxSteps) continue;
        const int count = std::clamp<int>(cell->connectionCount, 0, MaxConnections);
        for (int k = 0; k < count; ++k) {
            const CaveCell* next = cell->neighbours[k];
            if (!ValidIndex(next) || steps[next->index] >= 0 || tail == CellTableSize) continue;
            if (usable && !usable(*cell, k)) continue;
            steps[next->index] = static_cast<std::int8_t>(steps[cell->index] + 1);
            queue[tail++] = next;
        }
    }
    return found;
}

const CaveCell* FindTransporter(const CaveCell* cells, float& x, float& z) {
    for (const CaveCell* cell = cells; cell; cell = cell->next) {
        for (const ItemNode* node = cell->items.head; node; node = node->next) {
            if (node->kind != ItemTransporter || !node->object) continue;
            x = node->object->matrix.m[12];
            z = node->object->matrix.m[14];
            return cell;
        }
    }
    return nullptr;
}

LineWalk WalkLine(const CaveCell& start, float x, float z, float toX, float toZ, int stopAfter) {
    LineWalk walk;
    stopAfter = std::clamp(stopAfter, 1, LineWalk::MaxCells);
    const int steps = static_cast<int>(std::ceil(std::hypot(toX - x, toZ - z) / WalkStep));
    if (steps <= 0) return walk;
    const float stepX = (toX - x) / static_cast<float>(steps);
    const float stepZ = (toZ - z) / static_cast<float>(steps);
    const CaveCell* cell = &start;
    Vector3 from{x, 0.0f, z};
    for (int i = 0; i < steps; ++i) {
        Vector3 to{from.x + stepX, 0.0f, from.z + stepZ};
        CaveCell* next = nullptr;
        const int result = MoveInCell(*cell, from, to, next, nullptr);
        if (result & (RevertedX | RevertedZ)) walk.touchedWall = true;
        if (to.x == from.x && to.z == from.z) {
            walk.stalled = true;
            break;
        }
        from = to;
        if ((result & CrossedPortal) && next) {
            cell = next;
            walk.entered[walk.enteredCount++] = next;
            if (walk.enteredCount >= stopAfter) break;
        }
    }
    return walk;
}

Autopilot::Autopilot(int width, int height, int frameMs)
    : width_(std::max(width, 1)), height_(std::max(height, 1)) {
    // The game draws when 15 ms have gathered and caps a frame at 0.2 s.
    frameMs = std::max(frameMs, 1);
    const int perDrawn = (15 + frameMs - 1) / frameMs * frameMs;
    const float frameSeconds = std::min(static_cast<float>(perDrawn) * 0.001f, 0.2f);
    // ViewYaw changes by 2 x PointerX x dt a frame.
    gain_ = std::min(MaxGain, MaxTurnPerFrame / (2.0f * frameSeconds));
    frameSeconds_ = frameSeconds;
    path_.reserve(CellTableSize);
    stepLane_.assign(static_cast<std::size_t>(CellTableSize) * MaxConnections, 0);
}

void Autopilot::setKey(int key, bool down, bool& held, std::vector<Message>& out) {
    if (held == down) return;
    out.push_back({down ? MessageType::KeyDown : MessageType::KeyUp, key, 0, 0});
    held = down;
}

void Autopilot::setPointer(int column, std::vector<Message>& out, int row) {
    // Unless aiming, the row stays at the middle: a level view, walking at full speed.
    if (row < 0) row = height_ / 2;
    if (column == sentColumn_ && row == sentRow_) return;
    out.push_back({MessageType::PointerMove, 0, column, row});
    sentColumn_ = column;
    sentRow_ = row;
}

bool Autopilot::fight(const PilotView& view, std::vector<Message>& out) {
    setKey(VK_SPACE, false, throwHeld_, out);
    if (view.carriedRocks <= 0) return false;
    const PilotMonster* target = nullptr;
    float best = 1e30f;
    for (int i = 0; i < view.monsterCount; ++i) {
        const PilotMonster& m = view.monsters[i];
        if (m.kind == PilotMonster::Harmless) continue;
        const float d = std::hypot(m.x - view.x, m.z - view.z);
        const float range = m.kind == PilotMonster::Charging ? ThrowRange : WalkerThrowRange;
        if (d < ThrowCloseLimit || d > range || d >= best) continue;
        // A rock bounces off any wall on the way: only a clear line will do.
        const LineWalk line = WalkLine(*view.playerCell, view.x, view.z, m.x, m.z, LineWalk::MaxCells);
        if (line.stalled || line.touchedWall) continue;
        best = d;
        target = &m;
    }
    if (!target) return false;

    setKey('W', false, forwardHeld_, out);
    setKey('D', false, strafeHeld_, out);
    setKey('S', false, backHeld_, out);
    // It closes in while the rock flies.
    const float flight = best / RockSpeed;
    const float lead = target->kind == PilotMonster::Charging ? ChargeSpeed * flight : 0.0f;
    // The first point of the flight inside a head's reach decides the hit, so
    // aim at the near edge of that reach, where the rock is still high.
    const float distance = std::max(best - lead - HeadReachAim, 0.5f);
    const float eye = view.floorY + EyeHeight;
    const float pitch = ThrowPitch(distance, target->y + HeadAboveFeet - eye, frameSeconds_);
    // ViewPitch is half the pointer's height from the middle.
    const long row = std::lround((pitch / MaxPitch + 1.0f) * static_cast<float>(height_) * 0.5f);
    const int pitchRow = static_cast<int>(std::clamp(row, 0L, static_cast<long>(height_) - 1));
    const float error = WrapAngle(HeadingTo(view.x, view.z, target->x, target->z) - view.yaw);
    const int column = std::fabs(error) < 0.005f ? width_ / 2 : PointerColumn(error, gain_, width_);
    const bool aimed = std::fabs(error) < AimedYaw && pitchRow == sentRow_;
    setPointer(column, out, pitchRow);
    if (aimed && view.clock - lastThrow_ >= ThrowInterval) {
        setKey(VK_SPACE, true, throwHeld_, out);
        lastThrow_ = view.clock;
    }
    lastClock_ = view.clock;
    return true;
}

void Autopilot::holdStill(std::vector<Message>& out) {
    setKey(VK_SPACE, false, throwHeld_, out);
    setKey('W', false, forwardHeld_, out);
    setKey('D', false, strafeHeld_, out);
    setKey('S', false, backHeld_, out);
    setPointer(width_ / 2, out);
}

bool Autopilot::skipped(const ItemNode* item) const {
    return std::find(skipped_.begin(), skipped_.begin() + skippedCount_, item) !=
           skipped_.begin() + skippedCount_;
}

void Autopilot::startLevel(const PilotView& view) {
    skippedCount_ = 0;
    std::fill(stepLane_.begin(), stepLane_.end(), std::uint8_t{0});
    recentredFor_ = {};
    pathFrom_ = nullptr;
    path_.clear();
    mode_ = Mode::Normal;
    watchedId_ = nullptr;
    stuckSeconds_ = 0.0f;
    lastClock_ = view.clock;
    goal_ = FindTransporter(view.cells, goalX_, goalZ_);
    errandCell_ = nullptr;
    errandItem_ = nullptr;
    errandCheck_ = -1e9f;
    planned_ = true;
}

bool Autopilot::errandLies() const {
    if (!errandCell_ || skipped(errandItem_)) return false;
    for (const ItemNode* node = errandCell_->items.head; node; node = node->next) {
        if (node == errandItem_) return true;
    }
    return false;
}

bool Autopilot::chooseErrand(const PilotView& view) {
    errandCheck_ = view.clock;
    if (errandLies()) return false;
    const bool hadErrand = errandCell_ != nullptr;
    errandCell_ = nullptr;
    errandItem_ = nullptr;
    const StepFilter usable = [this](const CaveCell& cell, int k) { return stepUsable(cell, k); };
    ItemFind found;
    if (view.carriedRocks < WantedRocks) {
        found = FindNearestItem(view.playerCell, RockErrandSteps, [this](const ItemNode& node) {
            return node.kind == ItemRock && !skipped(&node);
        }, usable);
    }
    bool quiet = true;
    for (int i = 0; i < view.monsterCount; ++i) {
        const PilotMonster& m = view.monsters[i];
        if (m.kind != PilotMonster::Harmless && std::hypot(m.x - view.x, m.z - view.z) < QuietRange)
            quiet = false;
    }
    // Coins only buy time against hits: not worth walking into a monster for.
    if (!found.cell && quiet && view.coinCount < MaxCoins) {
        found = FindNearestItem(view.playerCell, ChestErrandSteps, [this](const ItemNode& node) {
            return node.kind == ItemChest && !skipped(&node);
        }, usable);
    }
    errandCell_ = found.cell;
    errandItem_ = found.item;
    errandUntil_ = view.clock + ErrandSeconds + ErrandStepSeconds * static_cast<float>(found.steps);
    return hadErrand || errandCell_;
}

bool Autopilot::stepUsable(const CaveCell& cell, int k) {
    std::uint8_t& lane = stepLane_[static_cast<std::size_t>(cell.index) * MaxConnections + k];
    if (lane != 0) return lane != Unusable;
    lane = Unusable;
    const CaveCell* next = cell.neighbours[k];
    const float ax = CentreX(cell), az = CentreZ(cell), bx = CentreX(*next), bz = CentreZ(*next);
    const float length = std::hypot(bx - ax, bz - az);
    if (length <= 0.0f) return false;
    const float px = -(bz - az) / length, pz = (bx - ax) / length;
    // Clean lanes first; a lane that only slides along a wall into the opening will do after that.
    for (const bool sliding : {false, true}) {
        for (int i = 0; i < LaneCount && lane == Unusable; ++i) {
            const float o = LaneOffsets[i];
            const bool clear = BothSidesPass(cell, ax + o * px, az + o * pz, bx + o * px, bz + o * pz, 1,
                                             [&](const LineWalk& walk) {
                                                 return (sliding || !walk.touchedWall) &&
                                                        walk.enteredCount == 1 && walk.entered[0] == next;
                                             });
            if (clear) lane = static_cast<std::uint8_t>(1 + i);
        }
    }
    return lane != Unusable;
}

Autopilot::Point Autopilot::laneOffset(int i) {
    const CaveCell& from = *path_[i - 1];
    const CaveCell& to = *path_[i];
    int lane = 0;
    for (int k = 0; k < std::min<int>(from.connectionCount, MaxConnections); ++k) {
        if (from.neighbours[k] != &to) continue;
        const std::uint8_t state = stepLane_[static_cast<std::size_t>(from.index) * MaxConnections + k];
        if (state != 0 && state != Unusable) lane = state - 1;
    }
    const float dx = CentreX(to) - CentreX(from), dz = CentreZ(to) - CentreZ(from);
    const float length = std::max(std::hypot(dx, dz), 1e-6f);
    return {-dz / length * LaneOffsets[lane], dx / length * LaneOffsets[lane]};
}

Autopilot::Point Autopilot::laneStart(int i) {
    const Point o = laneOffset(i);
    return {CentreX(*path_[i - 1]) + o.x, CentreZ(*path_[i - 1]) + o.z};
}

Autopilot::Point Autopilot::laneEnd(int i) {
    const Point o = laneOffset(i);
    return {CentreX(*path_[i]) + o.x, CentreZ(*path_[i]) + o.z};
}

void Autopilot::replan(const PilotView& view) {
    pathFrom_ = view.playerCell;
    waypointStale_ = true;
    const CaveCell* goal = errandCell_ ? errandCell_ : goal_;
    if (!goal || !FindCellPath(view.playerCell, goal, path_,
                                [this](const CaveCell& cell, int k) { return stepUsable(cell, k); }))
        path_.clear();
}

void Autopilot::chooseWaypoint(const PilotView& view) {
    waypointStale_ = false;
    waypoint_ = 0;
    const int last = std::min(static_cast<int>(path_.size()) - 1, MaxLookahead);
    for (int j = last; j >= 1; --j) {
        // A straight line that crosses exactly the path's next j cells, touching no wall.
        const Point end = laneEnd(j);
        const bool clear =
            BothSidesPass(*view.playerCell, view.x, view.z, end.x, end.z, j, [&](const LineWalk& walk) {
                if (walk.touchedWall || walk.stalled || walk.enteredCount != j) return false;
                for (int i = 0; i < j; ++i) {
                    if (walk.entered[i] != path_[i + 1]) return false;
                }
                return true;
            });
        if (clear) {
            waypoint_ = j;
            return;
        }
    }
}

bool Autopilot::chooseTarget(const PilotView& view, Target& target) {
    const CaveCell& here = *view.playerCell;
    if (mode_ == Mode::Recentre) {
        target = {CentreX(here), CentreZ(here), Aim::Centre, &here};
        return true;
    }
    if (errandCell_ == &here) {
        // The game looks for items in the player's cell only: walking onto one
        // lying over the edge would leave the cell and so its list.
        const float x = std::clamp(errandItem_->object->matrix.m[12], here.x + ItemInside,
                                   here.x + 2.0f * HalfCell - ItemInside);
        const float z = std::clamp(errandItem_->object->matrix.m[14], here.z + ItemInside,
                                   here.z + 2.0f * HalfCell - ItemInside);
        target = {x, z, Aim::Item, errandItem_};
        waypointStale_ = true;
        return true;
    }
    // Whatever lies near the middle of this cell first: it is on the way.
    float nearest = 1e30f;
    for (const ItemNode* node = here.items.head; node; node = node->next) {
        if (node->kind == ItemTransporter || !node->object || skipped(node)) continue;
        // After a death the first level lays the detector out again, though it
        // is carried and drawn at the eye: chasing it would spin on the spot.
        if (node->kind == ItemDetector && view.hasDetector) continue;
        const float ix = node->object->matrix.m[12];
        const float iz = node->object->matrix.m[14];
        // Rocks are worth a longer detour: they are what keeps it alive.
        const float reach = node->kind == ItemRock ? RockDetourReach : DetourReach;
        if (std::hypot(ix - CentreX(here), iz - CentreZ(here)) > reach) continue;
        const float d = std::hypot(ix - view.x, iz - view.z);
        if (d < nearest) {
            nearest = d;
            target = {ix, iz, Aim::Item, node};
        }
    }
    if (target.aim == Aim::Item) {
        waypointStale_ = true;  // the way on is looked for again from where the item lies
        return true;
    }
    if (view.playerCell == goal_) {
        target = {goalX_, goalZ_, Aim::Transporter, &goalX_};
        return true;
    }
    if (path_.size() < 2) return false;
    if (waypointStale_) chooseWaypoint(view);
    if (waypoint_ == 0) {
        const Point start = laneStart(1);
        if (std::hypot(start.x - view.x, start.z - view.z) >= LaneReached) {
            target = {start.x, start.z, Aim::Centre, &waypointStale_};
            return true;
        }
        waypoint_ = 1;  // from the lane's start the step was tried beforehand
    }
    const Point end = laneEnd(waypoint_);
    target = {end.x, end.z, Aim::Cell, path_[waypoint_]};
    return true;
}

void Autopilot::watchProgress(const PilotView& view, const Target& target, float distance) {
    const float elapsed = std::max(0.0f, view.clock - lastClock_);
    lastClock_ = view.clock;
    if (target.id != watchedId_) {
        watchedId_ = target.id;
        bestDistance_ = distance;
        stuckSeconds_ = 0.0f;
        return;
    }
    if (distance < bestDistance_ - ProgressStep) {
        bestDistance_ = distance;
        stuckSeconds_ = 0.0f;
        return;
    }
    if (forwardHeld_) stuckSeconds_ += elapsed;
    if (stuckSeconds_ < StuckSeconds) return;
    stuckSeconds_ = 0.0f;
    watchedId_ = nullptr;
    giveUp(view, target);
}

void Autopilot::giveUp(const PilotView& view, const Target& target) {
    waypointStale_ = true;
    if (target.aim == Aim::Item) {
        if (skippedCount_ < MaxSkipped) skipped_[skippedCount_++] = static_cast<const ItemNode*>(target.id);
        return;
    }
    if (target.aim == Aim::Cell && path_.size() >= 2) {
        const CellStep step{view.playerCell, path_[1]};
        if (recentredFor_.from == step.from && recentredFor_.to == step.to) {
            // Tried from the middle of the cell as well: this way is shut.
            for (int k = 0; k < std::min<int>(step.from->connectionCount, MaxConnections); ++k) {
                if (step.from->neighbours[k] == step.to)
                    stepLane_[static_cast<std::size_t>(step.from->index) * MaxConnections + k] = Unusable;
            }
            recentredFor_ = {};
            replan(view);
            return;
        }
        recentredFor_ = step;
    }
    if (mode_ == Mode::Normal) {
        mode_ = Mode::Recentre;
        modeUntil_ = view.clock + RecentreSeconds;
    } else {
        mode_ = Mode::BackOff;
        modeUntil_ = view.clock + BackOffSeconds;
    }
}

void Autopilot::steer(const PilotView& view, const Target& target, float distance,
                      std::vector<Message>& out) {
    // Forward and sideways together walk faster than forward alone.
    const float heading = HeadingTo(view.x, view.z, target.x, target.z);
    const float error = WrapAngle(heading + StrafeAngle - view.yaw);
    setPointer(distance < 0.2f ? width_ / 2 : PointerColumn(error, gain_, width_), out);
    const bool walk = std::fabs(error) < WalkAngle && distance > 0.1f;
    setKey('W', walk, forwardHeld_, out);
    setKey('D', walk, strafeHeld_, out);
}

void Autopilot::plan(const PilotView& view, std::vector<Message>& out) {
    if (view.gameState == Won) {
        // Nothing is left to play: leave the game, as a player would.
        holdStill(out);
        setKey(VK_ESCAPE, true, quitHeld_, out);
        return;
    }
    if (view.gameState != Playing || !view.playerCell) {
        // Nothing moves between levels or after a death; the next level is new ground.
        holdStill(out);
        planned_ = false;
        return;
    }
    if (!planned_) startLevel(view);
    bool stale = view.playerCell != pathFrom_ || path_.empty();
    if (errandCell_ && view.clock > errandUntil_ && skippedCount_ < MaxSkipped)
        skipped_[skippedCount_++] = errandItem_;
    if (stale || (errandCell_ && !errandLies()) || view.clock - errandCheck_ >= ErrandRecheck) stale = chooseErrand(view) || stale;
    if (stale) replan(view);

    if (mode_ != Mode::Normal && view.clock >= modeUntil_) {
        mode_ = Mode::Normal;
        waypointStale_ = true;
    }
    if (fight(view, out)) return;
    if (mode_ == Mode::BackOff) {
        holdStill(out);
        setKey('S', true, backHeld_, out);
        lastClock_ = view.clock;
        return;
    }
    setKey('S', false, backHeld_, out);

    Target target;
    if (!chooseTarget(view, target)) {
        holdStill(out);
        lastClock_ = view.clock;
        return;
    }
    const float distance = std::hypot(target.x - view.x, target.z - view.z);
    if (mode_ == Mode::Recentre && distance < CentreReached) {
        mode_ = Mode::Normal;
        waypointStale_ = true;
        watchedId_ = nullptr;
    }
    watchProgress(view, target, distance);
    steer(view, target, distance, out);
}
