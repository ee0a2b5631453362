#include "app/input.h"
#include "audio/sound_mixer.h"
#include "game/media_loading.h"
#include "game/player.h"
#include "game_fixture.h"
#include "platform/headless/headless.h"
#include "sounds/sounds.h"

#include <gtest/gtest.h>

namespace {

class SoundMediaTest : public GameTest {
protected:
    void writeSounds() {
        for (const SoundFile& f : makeSoundFiles())
            folder_.writeMedia(f.name, std::string(f.bytes.begin(), f.bytes.end()));
    }
    void TearDown() override {
        CloseSoundMixer();
        GameTest::TearDown();
    }
};

TEST_F(SoundMediaTest, EightSoundsLoadAndEightSlotsShareTheirData) {
    writeSounds();
    platform::headless::PlugAudioOutput();
    start();
    EXPECT_TRUE(Mixer.open.load());
    EXPECT_EQ(Mixer.listener, &PlayerPos);
    EXPECT_EQ(Mixer.facing, &ViewDir);
    EXPECT_FLOAT_EQ(Mixer.range, 160.0f);
    EXPECT_EQ(Mixer.sampleCount.load(), 16);
    const int loaded[] = {ThrowSound,    DetectorSound,    KnockoutSound,    CoinsSound,
                          StepSounds[0], MonsterSounds[0], ScrunchSounds[0], ScrunchSounds[1]};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(loaded[i], i);
        EXPECT_FALSE(Mixer.slots[i].shared);
    }
    // Derived in order: the two scrunches, then step and monster copies by offset.
    struct Derived {
        int slot, source, offset;
    };
    const Derived derived[] = {
        {ScrunchSounds[2], ScrunchSounds[0], 11}, {ScrunchSounds[3], ScrunchSounds[1], 11},
        {StepSounds[1], StepSounds[0], 11},       {MonsterSounds[1], MonsterSounds[0], 11},
        {StepSounds[2], StepSounds[0], 22},       {MonsterSounds[2], MonsterSounds[0], 22},
        {StepSounds[3], StepSounds[0], 33},       {MonsterSounds[3], MonsterSounds[0], 33}};
    for (int i = 0; i < 8; ++i) {
        const Derived& d = derived[i];
        EXPECT_EQ(d.slot, 8 + i);
        const SoundSample& s = Mixer.slots[d.slot];
        EXPECT_TRUE(s.shared);
        EXPECT_EQ(s.data, Mixer.slots[d.source].data + d.offset);
        EXPECT_EQ(s.count, Mixer.slots[d.source].count - d.offset);
    }
    EXPECT_NEAR(SoundLength(ThrowSound), 0.5f, 1.0f / 11025.0f);  // 5513 samples
    CloseSoundMixer();  // each block freed once (the sanitizer build would see a second free)
    EXPECT_EQ(Mixer.sampleCount.load(), 0);
    EXPECT_EQ(Mixer.slots[8].data, nullptr);
}

TEST_F(SoundMediaTest, FootstepsAreHeardWhileWalking) {
    writeSounds();
    platform::headless::PlugAudioOutput();
    start();
    platform::headless::RecordAudio(true);
    KeyState[VK_UP] = 1;
    bool stepped = false;
    for (int frame = 0; frame < 100; ++frame) {
        updates(1, 0.02f);
        PublishSoundPositions();
        for (int s : StepSounds) stepped = stepped || SoundIsPlaying(s);
        platform::headless::AdvanceClock(20);
        platform::headless::PlayAudioBuffersDue();
    }
    EXPECT_TRUE(stepped);
    int loud = 0;
    for (std::int16_t v : platform::headless::RecordedAudio()) loud += std::abs(v) > 200;
    EXPECT_GT(loud, 100);
}

TEST_F(SoundMediaTest, MissingSoundsLeaveNegativeSlotsThatNothingUses) {
    platform::headless::PlugAudioOutput();
    start();
    EXPECT_EQ(Mixer.sampleCount.load(), 0);
    for (int s : {ThrowSound, DetectorSound, KnockoutSound, CoinsSound}) EXPECT_LT(s, 0);
    for (int j = 0; j < 4; ++j) {
        EXPECT_LT(StepSounds[j], 0);
        EXPECT_LT(MonsterSounds[j], 0);
        EXPECT_LT(ScrunchSounds[j], 0);
    }
    KeyState[VK_UP] = 1;
    updates(100);  // footsteps on missing sounds
    EXPECT_GT(PlayerPos.x, 10.0f);
}

TEST_F(SoundMediaTest, WithoutASoundDeviceTheGameRunsSilent) {
    writeSounds();
    start();
    EXPECT_FALSE(Mixer.open.load());
    EXPECT_EQ(Mixer.sampleCount.load(), 16);
    KeyState[VK_UP] = 1;
    updates(100);
    for (int s : StepSounds) EXPECT_FALSE(SoundIsPlaying(s));
}

}  // namespace
