#include "mixer_test_support.h"

#include "platform/headless/headless.h"

#include <cmath>
#include <numeric>

namespace {

int Left(const std::int16_t* buffer, int frame) { return buffer[2 * frame]; }
int Right(const std::int16_t* buffer, int frame) { return buffer[2 * frame + 1]; }

bool Silent(const std::int16_t* buffer) {
    for (int i = 0; i < MixFrames * 2; ++i)
        if (buffer[i] != 0) return false;
    return true;
}

TEST_F(MixerTest, SoundReachesTheListenerAtOneHundredUnitsASecond) {
    const int slot = addConstant(20000, 10000);
    const float emitter[3] = {0.0f, 0.0f, 50.0f};
    PlaySoundAt(slot, emitter, 1.0f, 1.0f);
    EXPECT_TRUE(SoundIsPlaying(slot));
    setClockMs(StartMs + 490);
    EXPECT_TRUE(Silent(mix()));
    EXPECT_EQ(Mixer.slots[slot].position, 0);  // waiting voices do not advance
    setClockMs(StartMs + 500);
    const std::int16_t* out = mix();
    EXPECT_NEAR(Left(out, 0), 6875, 1);  // (160 - 50) / 160 of the sample
    EXPECT_EQ(Left(out, 0), Right(out, 0));
}

TEST_F(MixerTest, SoundAtTheListenerPlaysAtOnceCentredAtFullVolume) {
    const int slot = addConstant(20000, 12000);
    PlaySoundAt(slot, &listener.x, 1.0f, 1.0f);
    const std::int16_t* out = mix();
    for (int f : {0, 500, 1023}) {
        EXPECT_EQ(Left(out, f), 12000);
        EXPECT_EQ(Right(out, f), 12000);
    }
}

TEST_F(MixerTest, LoudnessFallsLinearlyToSilenceAtTheRange) {
    const int half = addConstant(4000, 10000);
    const float at80[3] = {0.0f, 0.0f, 80.0f};
    PlaySoundAt(half, at80, 1.0f, 1.0f);
    setClockMs(StartMs + 800);
    const std::int16_t* out = mix();
    EXPECT_FLOAT_EQ(Mixer.slots[half].gainLeft, 0.5f);
    EXPECT_EQ(Left(out, 100), 5000);
    EXPECT_EQ(Right(out, 100), 5000);
    CloseSoundMixer();
    SetUp();

    const int far = addConstant(3000, 10000);
    const float at160[3] = {0.0f, 0.0f, 160.0f};
    PlaySoundAt(far, at160, 1.0f, 1.0f);
    setClockMs(StartMs + 1600);
    EXPECT_TRUE(Silent(mix()));
    EXPECT_TRUE(SoundIsPlaying(far));  // silent, but it runs on
    EXPECT_EQ(Mixer.slots[far].position, 1023);
    mix();
    mix();
    EXPECT_FALSE(SoundIsPlaying(far));  // and ends after its 3000 samples
}

TEST_F(MixerTest, SourceOnTheRightLeadsThatEarAndMufflesTheOther) {
    std::vector<std::int16_t> ramp(4000);
    std::iota(ramp.begin(), ramp.end(), std::int16_t{0});
    const int slot = addSample(ramp);
    // Facing +z in right-handed coordinates, the right hand points to -x.
    const float right[3] = {-80.0f, 0.0f, 0.0f};
    PlaySoundAt(slot, right, 1.0f, 1.0f);
    setClockMs(StartMs + 800);
    const std::int16_t* out = mix();
    const SoundSample& v = Mixer.slots[slot];
    EXPECT_FLOAT_EQ(v.gainRight, 0.5f);
    EXPECT_FLOAT_EQ(v.gainLeft, 0.25f);
    EXPECT_EQ(v.leadRight, 16);
    EXPECT_EQ(v.leadLeft, 0);
    EXPECT_FLOAT_EQ(v.filterLeft, 1.0f);
    EXPECT_FLOAT_EQ(v.filterRight, 0.0f);
    // The right ear reads 16 samples ahead; the left hears the 16-sample average.
    EXPECT_EQ(Right(out, 0), 8);
    EXPECT_EQ(Right(out, 100), 58);
    int sum = 0;
    for (int i = 85; i <= 100; ++i) sum += static_cast<int>(0.25f * static_cast<float>(i));
    EXPECT_EQ(Left(out, 100), static_cast<int>(static_cast<float>(sum) * 0.0625f));
}

TEST_F(MixerTest, SourceOnTheLeftMirrorsTheRight) {
    const int slot = addConstant(4000, 8000);
    const float left[3] = {80.0f, 0.0f, 0.0f};
    PlaySoundAt(slot, left, 1.0f, 1.0f);
    setClockMs(StartMs + 800);
    const std::int16_t* out = mix();
    const SoundSample& v = Mixer.slots[slot];
    EXPECT_FLOAT_EQ(v.gainLeft, 0.5f);
    EXPECT_FLOAT_EQ(v.gainRight, 0.25f);
    EXPECT_EQ(v.leadLeft, 16);
    EXPECT_FLOAT_EQ(v.filterRight, 1.0f);
    EXPECT_EQ(Left(out, 500), 4000);
    EXPECT_EQ(Right(out, 500), 2000);  // muffled, but a steady sample averages to itself
}

TEST_F(MixerTest, SourcesAheadAreCleanAndSourcesBehindMuffledInBothEars) {
    const int ahead = addConstant(4000, 8000);
    const int behind = addConstant(4000, 8000);
    const float front[3] = {0.0f, 0.0f, 80.0f};
    const float back[3] = {0.0f, 0.0f, -80.0f};
    PlaySoundAt(ahead, front, 1.0f, 1.0f);
    PlaySoundAt(behind, back, 1.0f, 1.0f);
    setClockMs(StartMs + 800);
    const std::int16_t* out = mix();
    const SoundSample& a = Mixer.slots[ahead];
    const SoundSample& b = Mixer.slots[behind];
    EXPECT_FLOAT_EQ(a.gainLeft, 0.5f);
    EXPECT_FLOAT_EQ(a.gainRight, 0.5f);
    EXPECT_EQ(a.leadLeft + a.leadRight, 0);
    EXPECT_FLOAT_EQ(a.filterLeft, 0.0f);
    EXPECT_FLOAT_EQ(a.filterRight, 0.0f);
    EXPECT_FLOAT_EQ(b.gainLeft, 0.5f);
    EXPECT_FLOAT_EQ(b.gainRight, 0.5f);
    EXPECT_EQ(b.leadLeft + b.leadRight, 0);
    EXPECT_FLOAT_EQ(b.filterLeft, 1.0f);
    EXPECT_FLOAT_EQ(b.filterRight, 1.0f);
    // Frame 0: the clean voice at once, the muffled one at a sixteenth.
    EXPECT_EQ(Left(out, 0), 4000 + 250);
    EXPECT_EQ(Left(out, 600), 8000);
}

TEST_F(MixerTest, ApproachingEmitterRaisesThePitch) {
    const int slot = addConstant(60000, 1000);
    float emitter[3] = {0.0f, 0.0f, 100.0f};
    PlaySoundAt(slot, emitter, 1.0f, 1.0f);
    const double bufferSeconds = 1024.0 / 11025.0;
    std::uint32_t ms = StartMs + 1000;
    for (int buffer = 0; buffer < 4; ++buffer) {
        setClockMs(ms + static_cast<std::uint32_t>(buffer * bufferSeconds * 1000.0));
        emitter[2] = static_cast<float>(100.0 - 10.0 * bufferSeconds * (buffer + 1));
        PublishSoundPositions();
        mix();
        EXPECT_NEAR(Mixer.slots[slot].step - 1.0f, 0.0093f, 0.0002f) << "buffer " << buffer;
    }
    emitter[2] += 5.0f;  // and drops as it moves away
    PublishSoundPositions();
    mix();
    EXPECT_NEAR(Mixer.slots[slot].step, 0.95f, 0.001f);
}

TEST_F(MixerTest, LoudVoicesSaturateAtTheSixteenBitLimit) {
    const int up1 = addConstant(4000, 30000);
    const int up2 = addConstant(4000, 30000);
    PlaySoundAt(up1, &listener.x, 1.0f, 1.0f);
    PlaySoundAt(up2, &listener.x, 1.0f, 1.0f);
    const std::int16_t* out = mix();
    EXPECT_EQ(Left(out, 10), 32767);
    EXPECT_EQ(Right(out, 10), 32767);
    CloseSoundMixer();
    SetUp();
    const int down1 = addConstant(4000, -30000);
    const int down2 = addConstant(4000, -30000);
    PlaySoundAt(down1, &listener.x, 1.0f, 3.0f);  // louder than full scale on its own, too
    PlaySoundAt(down2, &listener.x, 1.0f, 1.0f);
    out = mix();
    EXPECT_EQ(Left(out, 10), -32767);
    EXPECT_EQ(Right(out, 10), -32767);
}

TEST_F(MixerTest, SampleOfNPlaysAboutNMinusSixteenFrames) {
    const int count = 5000;
    const int slot = addConstant(count, 1000);
    PlaySoundAt(slot, &listener.x, 1.0f, 1.0f);
    int audible = 0;
    for (int buffer = 0; buffer < 8; ++buffer) {
        const std::int16_t* out = mix();
        for (int f = 0; f < MixFrames; ++f) audible += Left(out, f) != 0;
    }
    // One sample is heard twice at each of the four buffer boundaries it crosses.
    EXPECT_EQ(audible, count - MixHistory + 4);
    EXPECT_FALSE(SoundIsPlaying(slot));
}

TEST_F(MixerTest, NextBufferStartsOnTheSampleThatEndedThisOne) {
    std::vector<std::int16_t> ramp(4000);
    std::iota(ramp.begin(), ramp.end(), std::int16_t{0});
    const int slot = addSample(ramp);
    PlaySoundAt(slot, &listener.x, 1.5f, 1.0f);
    const std::int16_t* out = mix();
    EXPECT_EQ(Left(out, 1023), 1534);  // trunc(1023 x 1.5)
    out = mix();
    EXPECT_EQ(Left(out, 0), 1534);
    EXPECT_EQ(Left(out, 1), 1535);
}

TEST_F(MixerTest, RestartBeginsAgainFromTheFirstSample) {
    std::vector<std::int16_t> ramp(4000);
    std::iota(ramp.begin(), ramp.end(), std::int16_t{0});
    const int slot = addSample(ramp);
    PlaySoundAt(slot, &listener.x, 1.0f, 1.0f);
    mix();
    mix();
    PlaySoundAt(slot, &listener.x, 1.0f, 1.0f);
    const std::int16_t* out = mix();
    EXPECT_EQ(Left(out, 0), 0);
    EXPECT_EQ(Left(out, 5), 5);
}

TEST_F(MixerTest, BuffersAlternateAndStayQueued) {
    EXPECT_EQ(platform::headless::QueuedAudioBuffers(), 2);
    EXPECT_TRUE(Mixer.nextIsA);
    EXPECT_EQ(mix(), Mixer.bufferA);
    EXPECT_EQ(mix(), Mixer.bufferB);
    EXPECT_EQ(mix(), Mixer.bufferA);
    EXPECT_EQ(platform::headless::QueuedAudioBuffers(), 2);
}

TEST_F(MixerTest, EmptyAndNegativeSlotsAreIgnored) {
    const int slot = addConstant(4000, 1000);
    PlaySoundAt(-1, &listener.x, 1.0f, 1.0f);
    PlaySoundAt(slot + 1, &listener.x, 1.0f, 1.0f);
    PlaySoundAt(SoundSlotCapacity + 5, &listener.x, 1.0f, 1.0f);
    EXPECT_FALSE(SoundIsPlaying(-1));
    EXPECT_FALSE(SoundIsPlaying(slot + 1));
    EXPECT_FLOAT_EQ(SoundLength(-3), 0.0f);
    EXPECT_FLOAT_EQ(SoundLength(slot + 1), 0.0f);
    EXPECT_NEAR(SoundLength(slot), 4000.0f / 11025.0f, 1e-6f);
    EXPECT_TRUE(Silent(mix()));
}

TEST(MixerWithoutDevice, StaysClosedAndNothingWaitsOnIt) {
    CloseSoundMixer();
    platform::headless::Reset();  // no output plugged in
    EXPECT_NE(OpenSoundMixer(), 0);
    EXPECT_FALSE(Mixer.open.load());
    const int s = Mixer.sampleCount.load();
    Mixer.slots[s].data = static_cast<std::int16_t*>(std::calloc(100, sizeof(std::int16_t)));
    Mixer.slots[s].count = 100;
    Mixer.sampleCount.store(s + 1);
    const float here[3] = {};
    PlaySoundAt(s, here, 1.0f, 1.0f);
    EXPECT_FALSE(SoundIsPlaying(s));  // a closed mixer never leaves a sound "playing"
    MixNextBuffer();
    EXPECT_FALSE(platform::headless::PlayAudioBuffer());
    CloseSoundMixer();
    EXPECT_EQ(Mixer.sampleCount.load(), 0);
}

}  // namespace
