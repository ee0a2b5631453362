// Start-up to the first frame drawn, and building the largest level, on the
// shipped media. Process CPU: llvmpipe works on threads of its own.
#include "app/settings.h"
#include "app/shell.h"
#include "cave/cave_cell.h"
#include "cave/level_build.h"
#include "game/game_state.h"
#include "platform/headless/headless.h"

#include <benchmark/benchmark.h>

namespace {

namespace headless = platform::headless;

GameSettings WindowedSettings() {
    GameSettings settings;
    settings.Windowed = 1;
    settings.Width = 640;
    settings.Height = 480;
    return settings;
}

void StartToFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        headless::Reset();
        headless::SetExecutableFolder(UMBRAFALL_GAME_DIR);
        UseGivenSettings(WindowedSettings());
        state.ResumeTiming();
        const bool started = StartProgram() == 0;
        const int swaps = headless::Window().swaps;
        while (started && headless::Window().swaps == swaps) {
            headless::AdvanceClock(16);
            if (!RunLoopTurn()) break;
        }
        state.PauseTiming();
        if (!started || headless::Window().swaps == swaps) state.SkipWithError("no frame was drawn");
        ShutdownApplication();
        ReleaseProgramObjects();
        state.ResumeTiming();
    }
}

void BuildLargestLevel(benchmark::State& state) {
    headless::Reset();
    headless::SetExecutableFolder(UMBRAFALL_GAME_DIR);
    UseGivenSettings(WindowedSettings());
    if (StartProgram() != 0) {
        state.SkipWithError("the game did not start");
        return;
    }
    int largest = 0, largestCells = 0;
    for (int level = 0; level < LevelCount; ++level) {
        LevelIndex = level;
        StartLevel();
        int cells = 0;
        for (CaveCell* cell = CellList.head; cell; cell = cell->next) ++cells;
        if (cells > largestCells) {
            largest = level;
            largestCells = cells;
        }
    }
    for (auto _ : state) {
        LevelIndex = largest;
        StartLevel();
        benchmark::DoNotOptimize(CellList.head);
    }
    state.counters["cells"] = largestCells;
    state.counters["level"] = largest + 1;
    ShutdownApplication();
    ReleaseProgramObjects();
}

BENCHMARK(StartToFirstFrame)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(5);
BENCHMARK(BuildLargestLevel)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
