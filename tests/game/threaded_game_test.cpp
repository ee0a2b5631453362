// The whole game on the shipped media with its threads as on a real machine:
// the music timer on a thread of its own and the sound output mixing on
// another, while the main loop walks, turns and throws. Meant to be run
// under ThreadSanitizer as well.
#include "app/settings.h"
#include "app/shell.h"
#include "audio/midi_player.h"
#include "audio/sound_mixer.h"
#include "platform/headless/headless.h"
#include "platform/keys.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace headless = platform::headless;
using platform::MessageType;

namespace {

// Plays the queued sound buffers as fast as a device would, counting those
// that were not silent.
struct OutputThread {
    std::atomic<bool> stop{false};
    std::atomic<int> heard{0};
    std::thread thread{[this] {
        while (!stop.load()) {
            if (!headless::PlayAudioBuffer()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            const std::int16_t* out = Mixer.nextIsA ? Mixer.bufferB : Mixer.bufferA;
            for (int i = 0; i < MixFrames * 2; ++i) {
                if (out[i] != 0) {
                    heard.fetch_add(1);
                    break;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }};
    void finish() {
        stop.store(true);
        if (thread.joinable()) thread.join();
    }
    ~OutputThread() { finish(); }
};

class ThreadedGameTest : public GameFolderTest {
protected:
    void SetUp() override {
        for (const auto& entry : std::filesystem::directory_iterator(UMBRAFALL_GAME_DIR "/media"))
            std::filesystem::copy(entry.path(), folder_.media(entry.path().filename().string()));
        GameSettings settings;
        settings.Music = 1;
        settings.Lights = 1;
        settings.Width = 320;
        settings.Height = 240;
        UseGivenSettings(settings);
        headless::UseRealTimers(true);
        headless::PlugMidiOutput();
        headless::PlugAudioOutput();
        headless::SetClock(1000);
    }
    void TearDown() override {
        ShutdownApplication();
        ReleaseProgramObjects();
        headless::UseRealTimers(false);
    }

    static void key(MessageType type, int code) { headless::PushMessage({type, code, 0, 0}); }
};

TEST_F(ThreadedGameTest, PlaysWhileTheMusicTimerAndTheSoundOutputRunOnTheirOwnThreads) {
    ASSERT_EQ(StartProgram(), 0);
    ASSERT_TRUE(MidiSong.playing);
    ASSERT_TRUE(Mixer.open.load());

    OutputThread output;
    key(MessageType::KeyDown, VK_UP);
    for (int frame = 0; frame < 400; ++frame) {
        if (frame % 50 == 10) key(MessageType::KeyDown, VK_LEFT);
        if (frame % 50 == 30) key(MessageType::KeyUp, VK_LEFT);
        if (frame % 40 == 20) key(MessageType::KeyDown, VK_SPACE);  // a throw, when a rock is carried
        if (frame % 40 == 22) key(MessageType::KeyUp, VK_SPACE);
        while (headless::PendingMessages() > 0) ASSERT_TRUE(RunLoopTurn());
        headless::AdvanceClock(16);
        ASSERT_TRUE(RunLoopTurn());
        if (frame % 8 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));  // let the timer in
    }
    PlaySong("happy.mid");  // a change of song while the timer runs
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ShutdownApplication();  // closes both while the output thread still asks for buffers
    output.finish();

    EXPECT_GT(output.heard.load(), 0) << "the footsteps reach the output";
    int notes = 0;
    for (const headless::MidiRecord& record : headless::MidiMessages()) notes += (record.message & 0xF0) == 0x90;
    EXPECT_GT(notes, 0) << "the theme is played by the timer thread";
}

}  // namespace
