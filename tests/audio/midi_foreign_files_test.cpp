// Files written by other programs (abc2midi from abcmidi, csvmidi from
// midicsv) read as those programs meant them.
#include "audio/midi_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace fs = std::filesystem;

namespace {

class ForeignMidiFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("umbrafall_midi_" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // Writes `text` to `input`, runs `command` (which reads input and writes out.mid) and reads the result.
    bool make(const std::string& input, const std::string& text, const std::string& command) {
        std::ofstream(folder / input) << text;
        const std::string line = "cd '" + folder.string() + "' && " + command + " >/dev/null 2>&1";
        if (std::system(line.c_str()) != 0) return false;
        std::ifstream in(folder / "out.mid", std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        song->eventCount = 0;
        song->ticksPerPeriod = DefaultTicksPerPeriod;
        return !bytes.empty() &&
               ParseMidiFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), *song);
    }

    static bool isNoteOff(const MidiEvent& e) {
        return (e.status & 0xF0) == 0x80 || ((e.status & 0xF0) == 0x90 && e.data2 == 0);
    }

    fs::path folder;
    std::unique_ptr<MidiSongState> song = std::make_unique<MidiSongState>();
};

TEST_F(ForeignMidiFiles, AnAbcTuneFromAbc2midi) {
    const std::string tune = "X:1\nT:Scale\nM:4/4\nL:1/4\nQ:1/4=120\nK:G\nGAB c|d4|]\n";
    ASSERT_TRUE(make("tune.abc", tune, "abc2midi tune.abc -o out.mid"))
        << "abc2midi (abcmidi) must be installed";
    // 120 a minute at abc2midi's 480 ticks a quarter: 9.6 ticks in 10 ms.
    EXPECT_EQ(song->ticksPerPeriod, 9);
    const int expectedKeys[] = {67, 69, 71, 72, 74};  // G major: G A B c d
    int notes = 0;
    std::int32_t lastStart = -1;
    for (int i = 0; i < song->eventCount; ++i) {
        const MidiEvent& e = song->events[i];
        if ((e.status & 0xF0) != 0x90 || e.data2 == 0) continue;
        ASSERT_LT(notes, 5);
        EXPECT_EQ(e.data1, expectedKeys[notes]);
        EXPECT_GT(e.time, lastStart);
        if (notes > 0) {
            EXPECT_NEAR(e.time - lastStart, 480, 2);  // a quarter apart
        }
        lastStart = e.time;
        ++notes;
    }
    EXPECT_EQ(notes, 5);
    // Every note ends: the last one a whole note after it began.
    int offs = 0;
    for (int i = 0; i < song->eventCount; ++i) offs += isNoteOff(song->events[i]) ? 1 : 0;
    EXPECT_EQ(offs, 5);
    EXPECT_TRUE(isNoteOff(song->events[song->eventCount - 1]));
    EXPECT_NEAR(song->events[song->eventCount - 1].time - lastStart, 1920, 2);
}

TEST_F(ForeignMidiFiles, AFormatOneFileFromCsvmidi) {
    const std::string csv =
        "0, 0, Header, 1, 3, 96\n"
        "1, 0, Start_track\n"
        "1, 0, Title_t, \"Conductor\"\n"
        "1, 0, Time_signature, 3, 2, 24, 8\n"
        "1, 0, Tempo, 480000\n"
        "1, 0, End_track\n"
        "2, 0, Start_track\n"
        "2, 0, Program_c, 1, 19\n"
        "2, 0, System_exclusive, 3, 126, 9, 247\n"
        "2, 0, Note_on_c, 1, 60, 100\n"
        "2, 48, Pitch_bend_c, 1, 9000\n"
        "2, 96, Note_off_c, 1, 60, 0\n"
        "2, 96, End_track\n"
        "3, 0, Start_track\n"
        "3, 0, Key_signature, -2, \"minor\"\n"
        "3, 48, Note_on_c, 2, 67, 90\n"
        "3, 96, Control_c, 2, 64, 127\n"
        "3, 200, Channel_aftertouch_c, 2, 33\n"
        "3, 200, End_track\n"
        "0, 0, End_of_file\n";
    ASSERT_TRUE(make("song.csv", csv, "csvmidi song.csv out.mid")) << "csvmidi (midicsv) must be installed";
    EXPECT_EQ(song->ticksPerPeriod, 2);  // 96 a quarter at 0.48 s: 200 a second
    struct Expected {
        std::int32_t time;
        int status, data1, data2;
    };
    const Expected expected[] = {{0, 0xC1, 19, 0},   {0, 0x91, 60, 100}, {48, 0xE1, 9000 & 0x7F, 9000 >> 7},
                                 {48, 0x92, 67, 90}, {96, 0x81, 60, 0},  {96, 0xB2, 64, 127},
                                 {200, 0xD2, 33, 0}};
    ASSERT_EQ(song->eventCount, 7);
    for (int i = 0; i < 7; ++i) {
        const MidiEvent& e = song->events[i];
        EXPECT_EQ(e.time, expected[i].time) << i;
        EXPECT_EQ(e.status, expected[i].status) << i;
        EXPECT_EQ(e.data1, expected[i].data1) << i;
        EXPECT_EQ(e.data2, expected[i].data2) << i;
    }
}

}  // namespace
