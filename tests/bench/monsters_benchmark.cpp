// What the monster update costs per frame: all sixteen monsters awake and
// chasing on the largest shipped level, each frame starting from the same
// places so the path searches do not fade as they close in.
#include "app/shell.h"
#include "cave/cave_cell.h"
#include "cave/level_build.h"
#include "game/game_state.h"
#include "game/media_loading.h"
#include "game/monsters.h"
#include "game/player.h"
#include "platform/headless/headless.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// With `skinning` off the monsters' skeletons are hidden from the update, which
// then leaves the pose alone: what is left is the behaviour and the path search.
void RunChase(benchmark::State& state, bool skinning) {
    platform::headless::SetExecutableFolder(UMBRAFALL_GAME_DIR);
    const float background[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    if (!InitApplication(background) || !LoadGameMedia()) {
        state.SkipWithError("the game did not start");
        return;
    }
    freeAllCells();
    LevelIndex = LevelCount - 1;  // the last map is the largest
    MonsterCount = MaxMonsters;
    if (!BuildLevel()) {
        state.SkipWithError("the level did not build");
        return;
    }
    std::vector<CaveCell*> awake;
    for (CaveCell* cell = CellList.head; cell; cell = cell->next) {
        const float dx = cell->x + 5.0f - PlayerPos.x, dz = cell->z + 5.0f - PlayerPos.z;
        if (dx * dx + dz * dz >= 200.0f && dx * dx + dz * dz < 2500.0f) awake.push_back(cell);
    }
    if (awake.empty()) {
        state.SkipWithError("no cell in chasing range");
        return;
    }
    Vector3 start[MaxMonsters];
    CaveCell* startCell[MaxMonsters];
    for (int i = 0; i < MaxMonsters; ++i) {
        CaveCell* cell = awake[static_cast<std::size_t>(i) % awake.size()];
        startCell[i] = cell;
        start[i] = {cell->x + 5.0f, FloorHeight(cell->x + 5.0f, cell->z + 5.0f), cell->z + 5.0f};
    }
    Bone* skeletons[MaxMonsters];
    for (int i = 0; i < MaxMonsters; ++i) {
        skeletons[i] = Monsters[i].bones;
        if (!skinning) Monsters[i].bones = nullptr;
    }
    FrameTime = 0.016f;
    const std::uint64_t callsBefore = PathSearchCalls;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < MaxMonsters; ++i) {
            Monsters[i].position = start[i];
            MonsterCells[i] = startCell[i];
            behaviourState(Monsters[i]) = AnimWalking;
        }
        state.ResumeTiming();
        UpdateMonsters();
        benchmark::DoNotOptimize(Monsters[15].position);
    }
    state.counters["path_calls_per_frame"] = benchmark::Counter(
        static_cast<double>(PathSearchCalls - callsBefore) / static_cast<double>(state.iterations()));
    for (int i = 0; i < MaxMonsters; ++i) Monsters[i].bones = skeletons[i];
    ShutdownApplication();
    ReleaseProgramObjects();
}

void UpdateSixteenChasingMonsters(benchmark::State& state) { RunChase(state, true); }
void UpdateSixteenChasingMonstersBehaviourOnly(benchmark::State& state) { RunChase(state, false); }

BENCHMARK(UpdateSixteenChasingMonsters)->Unit(benchmark::kMicrosecond);
BENCHMARK(UpdateSixteenChasingMonstersBehaviourOnly)->Unit(benchmark::kMicrosecond);

}  // namespace
