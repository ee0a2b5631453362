// Which song the game asks for, and when: heard as the messages the MIDI output was sent.
#include "app/input.h"
#include "app/settings.h"
#include "app/shell.h"
#include "audio/midi_player.h"
#include "game/game_state.h"
#include "game/media_loading.h"
#include "game/player.h"
#include "game_fixture.h"
#include "platform/headless/headless.h"
#include "support/level_maps.h"

#include <gtest/gtest.h>

#include <string>

namespace headless = platform::headless;

namespace {

// A one-note song whose note tells the songs apart.
std::string songWithKey(int key) {
    auto b = [](std::initializer_list<int> v) {
        std::string s;
        for (int x : v) s.push_back(static_cast<char>(x));
        return s;
    };
    return "MThd" + b({0, 0, 0, 6, 0, 0, 0, 1, 0, 96}) + "MTrk" +
           b({0, 0, 0, 8, 0, 0x90, key, 100, 0x50, 0x80, key, 0});
}

constexpr int ThemeKey = 60, DirgeKey = 50, FanfareKey = 72;

class GameMusicTest : public GameTest {
protected:
    void writeSongs() {
        folder_.writeMedia("theme.mid", songWithKey(ThemeKey));
        folder_.writeMedia("durge.mid", songWithKey(DirgeKey));
        folder_.writeMedia("happy.mid", songWithKey(FanfareKey));
    }
    void SetUp() override {
        writeSongs();
        headless::PlugMidiOutput();
    }
    void TearDown() override {
        GameTest::TearDown();
        CloseMidiDevice();
    }
    // The key of the song now loaded, 0 when none plays.
    static int playingKey() {
        if (!MidiSong.playing || MidiSong.eventCount == 0) return 0;
        return MidiSong.events[0].data1;
    }
    // Notes started since the messages were last cleared.
    static std::vector<int> notesSent() {
        std::vector<int> keys;
        for (const headless::MidiRecord& r : headless::MidiMessages())
            if ((r.message & 0xF0) == 0x90) keys.push_back(static_cast<int>((r.message >> 8) & 0x7F));
        return keys;
    }
    void startWithMusic(int music) {
        OpenMidiDevice();  // as program entry does before anything else
        PlaySong("theme.mid");
        ASSERT_EQ(playingKey(), ThemeKey);
        GameSettings settings;
        settings.Lights = 0;
        settings.Music = music;
        UseGivenSettings(settings);
        start();
    }
};

// Winding corridors with room for everything the first level places.
const std::initializer_list<const char*> FirstLevel = {
    "################", "#.....##########", "#.####.#########", "#.#####.....####",
    "#.#########.####", "#.#########.####", "##.#######.#####", "###.......######",
    "###########.####", "############.###", "#############.##", "##############.#",
    "##############.#", "#############.##", "################", "################",
};

TEST_F(GameMusicTest, ProgramEntryPlaysTheThemeAndKeepsItWithMusicOn) {
    folder_.writeMedia("cavemap1.bmp", levelBitmap(FirstLevel));
    for (int music : {1, 0}) {
        SCOPED_TRACE(music);
        GameSettings settings;
        settings.Lights = 0;
        settings.Music = music;
        UseGivenSettings(settings);
        headless::ClearMidiMessages();
        ASSERT_EQ(StartProgram(), 0);
        EXPECT_TRUE(MidiSong.deviceOpen);
        EXPECT_EQ(playingKey(), music ? ThemeKey : 0);
        headless::AdvanceClock(50);
        EXPECT_EQ(notesSent(), music ? std::vector<int>{ThemeKey} : std::vector<int>{});
        ShutdownApplication();
        EXPECT_FALSE(MidiSong.deviceOpen);
        ReleaseProgramObjects();
    }
}

TEST_F(GameMusicTest, MusicOffStopsTheThemeBeforeTheFirstFrame) {
    startWithMusic(0);
    EXPECT_EQ(playingKey(), 0);
    EXPECT_TRUE(MidiSong.stopped);
}

TEST_F(GameMusicTest, AfterADeathTheThemeReturnsOnlyWithMusicOn) {
    for (int music : {1, 0}) {
        SCOPED_TRACE(music);
        startWithMusic(music);
        PlaySong("durge.mid");  // what a fatal hit plays
        GameState = Dead;
        StateEndTime = GameClock + 10.0f;
        updates(49, 0.2f);
        EXPECT_EQ(GameState, Dead);
        EXPECT_EQ(playingKey(), DirgeKey);
        updates(2, 0.2f);
        EXPECT_EQ(GameState, Playing);
        EXPECT_EQ(LevelIndex, 0);
        EXPECT_EQ(playingKey(), music ? ThemeKey : 0);
        ReleaseProgramObjects();
        CloseMidiDevice();
    }
}

TEST_F(GameMusicTest, WinningPlaysTheFanfareWhateverTheMusicSetting) {
    startWithMusic(0);
    LevelIndex = 2;  // the last of three
    place(TransporterModel, ItemTransporter, 6.0f, 5.0f);
    KeyState[VK_LEFT] = 1;
    updates(1);
    ASSERT_EQ(GameState, LevelPassed);
    EXPECT_EQ(playingKey(), 0) << "reaching the transporter changes no music";
    updates(1);
    ASSERT_EQ(GameState, Won);
    EXPECT_EQ(playingKey(), FanfareKey);
    headless::ClearMidiMessages();
    headless::AdvanceClock(30);
    EXPECT_EQ(notesSent(), std::vector<int>{FanfareKey});
}

}  // namespace
