// The songs the build made, played by the player on the virtual clock and
// rendered through the General MIDI synthesiser.
// With UMBRAFALL_MUSIC_WAV_DIR set, the renderings are also written there to be listened to.
#include "audio/midi_file.h"
#include "audio/midi_player.h"
#include "platform/headless/headless.h"
#include "platform/midi_synth.h"
#include "support/gl_context.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>

namespace headless = platform::headless;

namespace {

class SongMediaTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        headless::SetExecutableFolder(UMBRAFALL_GAME_DIR);
        headless::PlugMidiOutput();
        OpenMidiDevice();
        ASSERT_TRUE(MidiSong.deviceOpen);
    }
    void TearDown() override { CloseMidiDevice(); }

    // The file read on its own, for comparison with what the player sends.
    std::unique_ptr<MidiSongState> readFile(const std::string& name) {
        std::ifstream in(std::string(UMBRAFALL_GAME_DIR) + "/media/" + name, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        auto song = std::make_unique<MidiSongState>();
        EXPECT_TRUE(ParseMidiFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), *song))
            << name;
        EXPECT_GT(song->eventCount, 0) << name;
        return song;
    }

    // Plays `name` for `ms` and renders what was sent.
    static std::vector<std::int16_t> playAndRender(const char* name, std::uint32_t ms) {
        headless::SetClock(0);
        headless::ClearMidiMessages();
        PlaySong(name);
        headless::AdvanceClock(ms);
        StopSong();
        std::vector<platform::TimedMidiMessage> messages;
        for (const headless::MidiRecord& r : headless::MidiMessages())
            messages.push_back({r.milliseconds, r.message});
        std::vector<std::int16_t> stereo;
        EXPECT_TRUE(platform::RenderMidi(messages, ms + 1500, stereo));
        if (const char* folder = std::getenv("UMBRAFALL_MUSIC_WAV_DIR"))
            platform::WriteStereoWav(
                std::string(folder) + "/" + std::string(name, std::strlen(name) - 4) + ".wav", stereo,
                platform::SynthSampleRate);
        return stereo;
    }
};

struct Level {
    double rms;  // of full scale
    int peak;
    long fullScale;  // samples at the limits: clipped
};

Level measure(const std::vector<std::int16_t>& stereo, std::size_t from, std::size_t to) {
    Level level{0, 0, 0};
    double sum = 0;
    to = std::min(to, stereo.size());
    for (std::size_t i = from; i < to; ++i) {
        const int s = stereo[i];
        sum += static_cast<double>(s) * s;
        level.peak = std::max(level.peak, std::abs(s));
        if (s >= 32767 || s <= -32767) ++level.fullScale;
    }
    level.rms = to > from ? std::sqrt(sum / static_cast<double>(to - from)) / 32768.0 : 0;
    return level;
}

constexpr std::size_t SamplesPerMs = platform::SynthSampleRate * 2 / 1000;

TEST_F(SongMediaTest, ThePlayerSendsEveryEventOfEachSongInOrderAndStartsAgain) {
    for (const char* name : {"theme.mid", "durge.mid", "happy.mid"}) {
        SCOPED_TRACE(name);
        const auto file = readFile(name);
        const MidiEvent* events = file->events;
        const int count = file->eventCount;
        const int tpp = file->ticksPerPeriod;
        headless::SetClock(0);
        headless::ClearMidiMessages();
        PlaySong(name);
        // An event at tick t goes out in the first period whose count has passed it.
        const auto periodOf = [tpp](std::int32_t t) { return static_cast<std::uint32_t>(t / tpp + 1); };
        const std::uint32_t loopPeriods = periodOf(events[count - 1].time);
        headless::AdvanceClock(10 * (loopPeriods + 1));
        const std::vector<headless::MidiRecord> records = headless::MidiMessages();
        ASSERT_GE(records.size(), 48u + count + 1);
        for (int i = 0; i < count; ++i) {
            const headless::MidiRecord& r = records[48 + static_cast<std::size_t>(i)];
            ASSERT_EQ(r.message, midiMessage(events[i])) << i;
            ASSERT_EQ(r.milliseconds, 10 * periodOf(events[i].time)) << i;
        }
        // The song starts again one period after its last event.
        EXPECT_EQ(records[48 + static_cast<std::size_t>(count)].message, midiMessage(events[0]));
        EXPECT_EQ(records[48 + static_cast<std::size_t>(count)].milliseconds, 10 * (loopPeriods + 1));
        StopSong();
    }
}

TEST_F(SongMediaTest, TheThemeIsASeveralTrackSongWithItsTempoAtTheStart) {
    const auto theme = readFile("theme.mid");
    std::ifstream in(std::string(UMBRAFALL_GAME_DIR) + "/media/theme.mid", std::ios::binary);
    char header[14];
    ASSERT_TRUE(in.read(header, sizeof header));
    EXPECT_EQ(header[9], 1);              // format 1
    EXPECT_GE(header[11], 4);             // tracks
    EXPECT_EQ(theme->ticksPerPeriod, 8);  // 480 a quarter at 0.6 s: exactly 100 a minute
    std::set<int> channels, programs;
    for (int i = 0; i < theme->eventCount; ++i) {
        channels.insert(theme->events[i].status & 0x0F);
        if ((theme->events[i].status & 0xF0) == 0xC0) programs.insert(theme->events[i].data1);
    }
    EXPECT_GE(channels.size(), 4u);
    EXPECT_GE(programs.size(), 4u);
    // The last message falls exactly at the end of bar 16, so each loop lasts whole bars.
    EXPECT_EQ(theme->events[theme->eventCount - 1].time, 16 * 4 * 480);
}

TEST_F(SongMediaTest, TheThemeSoundsWithoutClippingAndLoopsWithoutAGap) {
    // Two loops of 30720 ticks at 8 a period: 38.4 s each.
    const std::uint32_t loopMs = 30720 / 8 * 10;
    const std::vector<std::int16_t> stereo = playAndRender("theme.mid", 2 * loopMs + 2000);
    const Level whole = measure(stereo, 0, 2 * loopMs * SamplesPerMs);
    EXPECT_GT(whole.rms, 0.03);
    EXPECT_EQ(whole.fullScale, 0);
    EXPECT_LT(whole.peak, 30000);
    // Around the seam (the loop restarts one period after the end) the music goes on at its level.
    for (std::uint32_t at : {loopMs - 500, loopMs, loopMs + 500}) {
        const Level window = measure(stereo, at * SamplesPerMs, (at + 250) * SamplesPerMs);
        EXPECT_GT(window.rms, whole.rms * 0.25) << at;
    }
}

TEST_F(SongMediaTest, TheDirgeAndTheFanfareSoundWithoutClipping) {
    for (const char* name : {"durge.mid", "happy.mid"}) {
        SCOPED_TRACE(name);
        const std::vector<std::int16_t> stereo = playAndRender(name, 10000);
        const Level level = measure(stereo, 0, stereo.size());
        EXPECT_GT(level.rms, 0.03);
        EXPECT_EQ(level.fullScale, 0);
        EXPECT_LT(level.peak, 30000);
    }
}

}  // namespace
