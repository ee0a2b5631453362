// MixNextBuffer with 16 voices playing, placed around the listener, against
// the 92.9 ms that one buffer lasts.

#include "audio/sound_mixer.h"
#include "platform/headless/headless.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

namespace {

constexpr int Voices = 16;
constexpr int VoiceSamples = 11025 * 30;  // restarted before it can end

void MixSixteenVoices(benchmark::State& state) {
    platform::headless::Reset();
    platform::headless::PlugAudioOutput();
    platform::headless::SetClock(1000);
    static Vector3 listener{};
    static Vector3 facing{0.0f, 0.0f, 1.0f};
    static float emitters[Voices][3];
    Mixer.listener = &listener;
    Mixer.facing = &facing;
    Mixer.range = 160.0f;
    for (int v = 0; v < Voices; ++v) {
        SoundSample& slot = Mixer.slots[v];
        slot.data = static_cast<std::int16_t*>(std::malloc(VoiceSamples * sizeof(std::int16_t)));
        for (int i = 0; i < VoiceSamples; ++i)
            slot.data[i] = static_cast<std::int16_t>(8000.0 * std::sin(0.05 * i * (v + 1)));
        slot.count = VoiceSamples;
        Mixer.sampleCount.store(v + 1);
    }
    if (OpenSoundMixer() != 0) {
        state.SkipWithError("no headless output");
        return;
    }
    for (int v = 0; v < Voices; ++v) {
        const float angle = 6.2831853f * static_cast<float>(v) / Voices;  // every side: some muffled
        emitters[v][0] = 1.0f * std::sin(angle);
        emitters[v][2] = 1.0f * std::cos(angle);
        PlaySoundAt(v, emitters[v], 0.8f + 0.03f * static_cast<float>(v), 1.0f);
    }
    std::uint32_t clock = 2000;
    platform::headless::SetClock(clock);  // every voice has reached the listener
    for (auto _ : state) {
        const float drift = static_cast<float>(state.iterations() % 1000) * 0.001f;
        for (int v = 0; v < Voices; ++v)  // moving sources: pitch and pan change each buffer
            emitters[v][0] = std::sin(6.2831853f * static_cast<float>(v) / Voices) + drift;
        PublishSoundPositions();
        platform::headless::PlayAudioBuffer();  // the device's report: one MixNextBuffer
        benchmark::DoNotOptimize(Mixer.bufferA[0]);
        benchmark::ClobberMemory();
        if (Mixer.slots[0].position > VoiceSamples / 2) {
            state.PauseTiming();
            for (int v = 0; v < Voices; ++v)
                PlaySoundAt(v, emitters[v], 0.8f + 0.03f * static_cast<float>(v), 1.0f);
            clock += 100;  // past the new start times
            platform::headless::SetClock(clock);
            state.ResumeTiming();
        }
    }
    state.counters["buffer_ms"] = 1024.0 * 1000.0 / 11025.0;
    if (!Mixer.slots[0].playing || Mixer.slots[0].position == 0)
        state.SkipWithError("the voices did not play");
    CloseSoundMixer();
}
BENCHMARK(MixSixteenVoices)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
