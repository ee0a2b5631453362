#include "mixer_test_support.h"

#include "platform/headless/headless.h"

#include <cstdlib>
#include <cstring>

void MixerTest::SetUp() {
    CloseSoundMixer();
    platform::headless::Reset();
    platform::headless::PlugAudioOutput();
    platform::headless::SetClock(StartMs);
    Mixer.listener = &listener;
    Mixer.facing = &facing;
    Mixer.range = 160.0f;
    ASSERT_EQ(OpenSoundMixer(), 0);
}

void MixerTest::TearDown() {
    CloseSoundMixer();
    Mixer.listener = nullptr;
    Mixer.facing = nullptr;
}

int MixerTest::addSample(const std::vector<std::int16_t>& samples) {
    const int s = Mixer.sampleCount.load();
    SoundSample& slot = Mixer.slots[s];
    slot.data = static_cast<std::int16_t*>(std::malloc(samples.size() * sizeof(std::int16_t)));
    std::memcpy(slot.data, samples.data(), samples.size() * sizeof(std::int16_t));
    slot.count = static_cast<int>(samples.size());
    slot.shared = false;
    Mixer.sampleCount.store(s + 1);
    return s;
}

int MixerTest::addConstant(int count, std::int16_t value) {
    return addSample(std::vector<std::int16_t>(static_cast<std::size_t>(count), value));
}

const std::int16_t* MixerTest::mix() {
    EXPECT_TRUE(platform::headless::PlayAudioBuffer());
    return Mixer.nextIsA ? Mixer.bufferB : Mixer.bufferA;
}

void MixerTest::setClockMs(std::uint32_t ms) { platform::headless::SetClock(ms); }
