// What the HUD costs: presenting the 104 x 24 panel over a 640 x 480 frame
// (paid every frame), and redrawing it (paid only when the state changes).
#include "game/game_state.h"
#include "game/hud.h"
#include "game/player.h"
#include "platform/platform.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

namespace {

bool OpenFrame(benchmark::State& state) {
    if (platform::OpenWindow({"bench", 640, 480, false})) return true;
    state.SkipWithError("no OpenGL context");
    return false;
}

void PresentHud(benchmark::State& state) {
    if (!OpenFrame(state)) return;
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    CreateHudPanel();
    GameState = Playing;
    CoinCount = 12;
    UpdateHud();
    for (auto _ : state) {
        HudPanel.Present();
        glFinish();  // the drawing itself, not just handing it over
    }
    HudPanel.Release();
    platform::CloseWindow();
}

void RedrawHud(benchmark::State& state) {
    if (!OpenFrame(state)) return;
    CreateHudPanel();
    GameState = static_cast<int>(state.range(0));
    CoinCount = 12;
    for (auto _ : state) {
        UpdateHud();
        benchmark::DoNotOptimize(HudPanel.bits[0]);
    }
    HudPanel.Release();
    platform::CloseWindow();
}

BENCHMARK(PresentHud)->Unit(benchmark::kMicrosecond);
BENCHMARK(RedrawHud)->Arg(Playing)->Arg(LevelPassed)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
