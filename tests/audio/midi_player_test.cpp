#include "audio/midi_player.h"
#include "midi_test_files.h"
#include "platform/headless/headless.h"
#include "support/gl_context.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <vector>

using namespace midi_test;
namespace headless = platform::headless;

namespace {

struct Sent {
    std::uint32_t ms;
    std::uint32_t message;
    bool operator==(const Sent&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Sent& s) {
    return out << s.ms << "ms:" << std::hex << s.message << std::dec;
}

std::uint32_t msg(int status, int data1, int data2) {
    return static_cast<std::uint32_t>(status | data1 << 8 | data2 << 16);
}

class MidiPlayerTest : public GameFolderTest {
protected:
    void SetUp() override {
        headless::PlugMidiOutput();
        OpenMidiDevice();
        ASSERT_TRUE(MidiSong.deviceOpen);
    }
    void TearDown() override { CloseMidiDevice(); }

    static std::vector<Sent> sent() {
        std::vector<Sent> out;
        for (const headless::MidiRecord& r : headless::MidiMessages())
            out.push_back({r.milliseconds, r.message});
        return out;
    }
    // What was sent after the first `skip` messages.
    static std::vector<Sent> sentAfter(std::size_t skip) {
        std::vector<Sent> all = sent();
        all.erase(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(std::min(skip, all.size())));
        return all;
    }
    static void expectSilencing(const std::vector<Sent>& records, std::size_t from, std::uint32_t ms) {
        ASSERT_GE(records.size(), from + 48);
        std::size_t i = from;
        for (int channel = 0; channel < 16; ++channel)
            for (int controller : {120, 121, 123})
                EXPECT_EQ(records[i++], (Sent{ms, msg(0xB0 | channel, controller, 0)})) << channel;
    }
};

TEST_F(MidiPlayerTest, StopWhileNothingPlaysSilencesAllChannelsAtOnce) {
    headless::SetClock(500);
    StopSong();
    const std::vector<Sent> records = sent();
    ASSERT_EQ(records.size(), 48u);
    expectSilencing(records, 0, 500);
    EXPECT_EQ(platform::Milliseconds(), 500u);  // nothing was waited for
    EXPECT_TRUE(MidiSong.stopped);
}

TEST_F(MidiPlayerTest, EventsGoOutOnThePeriodAfterTheirTimeAndTheSongRepeats) {
    // No tempo: 10 ticks every 10 ms.
    folder_.writeMedia(
        "song.mid", header(0, 1, 96) + track(note(0, 0x90, 60, 100) + note(25, 0x80, 60, 0) +
                                             note(5, 0x91, 64, 90) + note(70, 0xB1, 7, 80) + endOfTrack()));
    headless::SetClock(1000);
    PlaySong("song.mid");
    EXPECT_TRUE(MidiSong.playing);
    EXPECT_FALSE(MidiSong.stopped);
    headless::AdvanceClock(250);
    // Tick 0 goes out once the song has passed it (10 ms), tick 25 at 30 ticks, 30 at 40, 100 at 110;
    // then the song starts again from 0 on the next period.
    const std::vector<Sent> expected = {
        {1010, msg(0x90, 60, 100)}, {1030, msg(0x80, 60, 0)},   {1040, msg(0x91, 64, 90)},
        {1110, msg(0xB1, 7, 80)},   {1120, msg(0x90, 60, 100)}, {1140, msg(0x80, 60, 0)},
        {1150, msg(0x91, 64, 90)},  {1220, msg(0xB1, 7, 80)},   {1230, msg(0x90, 60, 100)},
        {1250, msg(0x80, 60, 0)},
    };
    const std::vector<Sent> records = sent();
    expectSilencing(records, 0, 1000);  // playing starts by stopping
    EXPECT_EQ(sentAfter(48), expected);
}

TEST_F(MidiPlayerTest, TheFilesTempoSetsThePace) {
    // 480 ticks a quarter at 0.5 s: 9 ticks a period; tick 90 passes after 11 periods.
    folder_.writeMedia("song.mid",
                       header(0, 1, 480) + track(tempo(0, 500000) + note(90, 0x90, 60, 1) + endOfTrack()));
    PlaySong("song.mid");
    EXPECT_EQ(MidiSong.ticksPerPeriod, 9);
    headless::AdvanceClock(109);
    EXPECT_TRUE(sentAfter(48).empty());
    headless::AdvanceClock(1);
    EXPECT_EQ(sentAfter(48), (std::vector<Sent>{{110, msg(0x90, 60, 1)}}));
}

TEST_F(MidiPlayerTest, StopWaitsForTheTimerToSilenceAndLetGo) {
    folder_.writeMedia("song.mid", header(0, 1, 96) + track(note(0, 0x90, 60, 100) + note(500, 0x80, 60, 0)));
    PlaySong("song.mid");
    headless::AdvanceClock(35);
    const int timer = MidiSong.timerId;
    ASSERT_TRUE(platform::TimerIsRunning(timer));
    headless::ClearMidiMessages();
    StopSong();
    // The next period (40 ms) sees the stop: the timer silences and ends; the stop, after one
    // 10 ms sleep, silences again.
    EXPECT_EQ(platform::Milliseconds(), 45u);
    const std::vector<Sent> records = sent();
    ASSERT_EQ(records.size(), 96u);
    expectSilencing(records, 0, 40);
    expectSilencing(records, 48, 45);
    EXPECT_FALSE(platform::TimerIsRunning(timer));
    EXPECT_FALSE(MidiSong.playing);
    EXPECT_TRUE(MidiSong.stopped);
    EXPECT_EQ(MidiSong.eventCount, 0);
    headless::AdvanceClock(1000);
    EXPECT_EQ(sent().size(), 96u);
}

TEST_F(MidiPlayerTest, AMissingSongPlaysAsSilence) {
    PlaySong("nothing.mid");
    EXPECT_TRUE(MidiSong.playing);
    EXPECT_TRUE(platform::TimerIsRunning(MidiSong.timerId));
    headless::AdvanceClock(1000);
    EXPECT_EQ(sent().size(), 48u);
    EXPECT_TRUE(headless::MessageBoxes().empty());
}

TEST_F(MidiPlayerTest, ARefusedSongStartsNoTimer) {
    folder_.writeMedia("two.mid", header(2, 1, 96) + track(note(0, 0x90, 60, 100)));
    PlaySong("two.mid");
    EXPECT_FALSE(MidiSong.playing);
    EXPECT_EQ(MidiSong.timerId, 0);
    headless::AdvanceClock(1000);
    EXPECT_EQ(sent().size(), 48u);
}

TEST_F(MidiPlayerTest, ATimerThatCannotStartLeavesNothingToWaitFor) {
    folder_.writeMedia("song.mid", header(0, 1, 96) + track(note(0, 0x90, 60, 100)));
    // Every timer taken: the song's cannot start.
    int taken = 0;
    while (platform::StartPeriodicTimer(
               1000, [](int, void*) {}, nullptr) != 0)
        ASSERT_LT(++taken, 1000);
    PlaySong("song.mid");
    EXPECT_FALSE(MidiSong.playing);
    EXPECT_TRUE(MidiSong.stopped);
    StopSong();
    EXPECT_EQ(platform::Milliseconds(), 0u);
}

TEST_F(MidiPlayerTest, ATimerThatVanishedIsNotWaitedFor) {
    folder_.writeMedia("song.mid", header(0, 1, 96) + track(note(0, 0x90, 60, 100)));
    PlaySong("song.mid");
    ASSERT_TRUE(MidiSong.playing);
    platform::StopPeriodicTimer(MidiSong.timerId);  // gone without a word to the song
    StopSong();
    EXPECT_EQ(platform::Milliseconds(), 0u);
    EXPECT_EQ(MidiSong.eventCount, 0);
}

TEST_F(MidiPlayerTest, PlayingAnotherSongStopsTheFirst) {
    folder_.writeMedia("a.mid", header(0, 1, 96) + track(note(0, 0x90, 60, 100) + note(1000, 0x80, 60, 0)));
    folder_.writeMedia("b.mid", header(0, 1, 96) + track(note(0, 0x92, 70, 100) + note(1000, 0x82, 70, 0)));
    PlaySong("a.mid");
    headless::AdvanceClock(20);
    const int first = MidiSong.timerId;
    PlaySong("b.mid");
    EXPECT_FALSE(platform::TimerIsRunning(first));
    EXPECT_EQ(MidiSong.eventCount, 2);
    EXPECT_EQ(MidiSong.events[0].status, 0x92);
    headless::AdvanceClock(20);
    const std::vector<Sent> records = sent();
    // a's note, the timer's and the stop's silencing at 30 ms, then b's note a period later.
    ASSERT_EQ(records.size(), 48u + 1 + 96 + 1);
    EXPECT_EQ(records[48], (Sent{10, msg(0x90, 60, 100)}));
    expectSilencing(records, 49, 30);
    expectSilencing(records, 97, 30);
    EXPECT_EQ(records.back(), (Sent{40, msg(0x92, 70, 100)}));
}

TEST_F(MidiPlayerTest, WithoutAnOutputNothingPlays) {
    CloseMidiDevice();
    EXPECT_FALSE(MidiSong.deviceOpen);
    headless::UnplugMidiOutput();
    OpenMidiDevice();
    EXPECT_FALSE(MidiSong.deviceOpen);
    folder_.writeMedia("song.mid", header(0, 1, 96) + track(note(0, 0x90, 60, 100)));
    headless::ClearMidiMessages();
    PlaySong("song.mid");
    EXPECT_FALSE(MidiSong.playing);
    headless::AdvanceClock(100);
    StopSong();
    EXPECT_TRUE(sent().empty());
}

TEST_F(MidiPlayerTest, ClosingStopsTheSongAndTheOutput) {
    folder_.writeMedia("song.mid", header(0, 1, 96) + track(note(0, 0x90, 60, 100) + note(500, 0x80, 60, 0)));
    PlaySong("song.mid");
    headless::AdvanceClock(15);
    const int timer = MidiSong.timerId;
    CloseMidiDevice();
    EXPECT_FALSE(MidiSong.deviceOpen);
    EXPECT_FALSE(platform::TimerIsRunning(timer));
    EXPECT_FALSE(platform::MidiOutputIsOpen());
    const std::size_t count = sent().size();
    headless::AdvanceClock(1000);
    PlaySong("song.mid");
    EXPECT_EQ(sent().size(), count);
}

}  // namespace
