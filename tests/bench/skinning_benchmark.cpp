// What posing and skinning the monsters costs per frame: one or sixteen
// copies of the shipped monster, each walking, advanced by one 16 ms frame,
// with normals (lights on) or without (lights off).
#include "app/media_path.h"
#include "game/monsters.h"
#include "model/skinned_model.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

void SkinMonsters(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const bool lit = state.range(1) != 0;
    platform::headless::SetExecutableFolder(UMBRAFALL_GAME_DIR);
    if (!platform::OpenWindow({"bench", 64, 64, false})) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    for (Monster& monster : Monsters) {
        loadSkinnedModel(monster, "monster.a3f");
        setAnimation(monster, findAnimation(monster, "walking"), true, 0.0f);
        monster.skinNormals = lit;
    }
    if (!Monsters[0].loaded || !Monsters[0].bones) {
        state.SkipWithError("monster.a3f did not load");
        return;
    }
    for (auto _ : state) {
        for (int i = 0; i < count; ++i) updateSkinnedModel(Monsters[i], 0.016f);
        benchmark::DoNotOptimize(Monsters[count - 1].skinnedPositions[0]);
    }
    state.counters["vertices_per_monster"] = Monsters[0].vertexCount;
    state.counters["bones"] = Monsters[0].boneCount;
    for (Monster& monster : Monsters) destroySkinnedModel(monster);
    platform::CloseWindow();
}

BENCHMARK(SkinMonsters)
    ->ArgNames({"monsters", "lit"})
    ->Args({1, 1})
    ->Args({16, 1})
    ->Args({16, 0})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
