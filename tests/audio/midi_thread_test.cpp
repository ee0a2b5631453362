// Play and stop from the main thread while the timer runs on its own thread;
// meant to be run under ThreadSanitizer as well.
#include "audio/midi_player.h"
#include "midi_test_files.h"
#include "platform/headless/headless.h"
#include "support/gl_context.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace midi_test;
namespace headless = platform::headless;

namespace {

class MidiThreadTest : public GameFolderTest {
protected:
    void SetUp() override {
        headless::UseRealTimers(true);
        headless::PlugMidiOutput();
        OpenMidiDevice();
        ASSERT_TRUE(MidiSong.deviceOpen);
        // Short notes, so that every run of a few periods sends some.
        std::string body;
        for (int i = 0; i < 200; ++i) body += note(0, 0x90, 40 + i % 40, 90) + note(5, 0x80, 40 + i % 40, 0);
        folder_.writeMedia("busy.mid", header(1, 1, 96) + track(body + endOfTrack()));
    }
    void TearDown() override { CloseMidiDevice(); }
};

TEST_F(MidiThreadTest, PlayAndStopWhileTheTimerRuns) {
    std::size_t notes = 0;
    for (int round = 0; round < 12; ++round) {
        PlaySong("busy.mid");
        ASSERT_TRUE(MidiSong.playing);
        const int timer = MidiSong.timerId;
        std::this_thread::sleep_for(std::chrono::milliseconds(15 + 5 * (round % 4)));
        if (round % 3 == 2) {
            PlaySong("busy.mid");  // straight into the next one: stops this one first
            EXPECT_FALSE(platform::TimerIsRunning(timer));
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        StopSong();
        EXPECT_FALSE(platform::TimerIsRunning(MidiSong.timerId));
        EXPECT_FALSE(platform::TimerIsRunning(timer));
        EXPECT_TRUE(MidiSong.stopped);
        EXPECT_EQ(MidiSong.eventCount, 0);
    }
    const std::vector<headless::MidiRecord> records = headless::MidiMessages();
    for (const headless::MidiRecord& r : records)
        if ((r.message & 0xF0) == 0x90) ++notes;
    EXPECT_GT(notes, 12u);
    // Every stop ends with the silencing of channel 15.
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().message, 0xBFu | 123u << 8);
}

TEST_F(MidiThreadTest, ATimerStoppedFromOutsideNeverCallsAgain) {
    std::atomic<int> calls{0};
    const int timer = platform::StartPeriodicTimer(
        10, [](int, void* user) { ++*static_cast<std::atomic<int>*>(user); }, &calls);
    ASSERT_NE(timer, 0);
    ASSERT_TRUE(platform::TimerIsRunning(timer));
    for (int wait = 0; wait < 500 && calls < 3; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    platform::StopPeriodicTimer(timer);
    const int counted = calls;
    EXPECT_GE(counted, 3);
    EXPECT_FALSE(platform::TimerIsRunning(timer));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(calls, counted);
}

}  // namespace
