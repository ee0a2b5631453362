#include "mixer_test_support.h"

#include "platform/headless/headless.h"

#include <atomic>
#include <thread>

namespace {

// The output's thread mixes while the main thread starts sounds and moves the
// listener and the emitters, as the game does; ThreadSanitizer watches.
TEST_F(MixerTest, SoundsStartWhileTheOutputThreadMixes) {
    const int first = addConstant(3000, 9000);
    const int second = addConstant(1500, -7000);
    std::atomic<bool> stop{false};
    std::atomic<int> loud{0};
    std::thread output([&] {
        while (!stop.load()) {
            if (!platform::headless::PlayAudioBuffer()) break;
            const std::int16_t* out = Mixer.nextIsA ? Mixer.bufferB : Mixer.bufferA;
            if (out[0] != 0 || out[2000] != 0) loud.fetch_add(1);
        }
    });
    float emitter[3] = {0.0f, 0.0f, 0.0f};
    int started = 0;
    for (int round = 0; round < 20000 && (started < 200 || loud.load() < 5); ++round) {
        listener.x = static_cast<float>(round % 7) * 0.01f;
        facing.x = (round % 2) ? 0.6f : -0.6f;
        facing.z = 0.8f;
        emitter[0] = listener.x;
        PublishSoundPositions();
        if (!SoundIsPlaying(first)) {
            PlaySoundAt(first, emitter, 1.0f, 1.0f);
            ++started;
        }
        if (round % 3 == 0) PlaySoundAt(second, emitter, 1.2f, 0.5f);  // restarts while it plays
        std::this_thread::yield();
    }
    stop.store(true);
    output.join();
    EXPECT_GT(started, 1);      // the first voice ended on the other thread and was started again
    EXPECT_GT(loud.load(), 0);  // and was heard
}

}  // namespace
