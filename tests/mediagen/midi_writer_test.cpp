#include "midi_writer.h"
#include "audio/midi_file.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes varLen(std::uint32_t value) {
    Bytes out;
    appendVarLen(out, value);
    return out;
}

TEST(MidiWriter, VariableLengthNumbers) {
    EXPECT_EQ(varLen(0), (Bytes{0x00}));
    EXPECT_EQ(varLen(0x7F), (Bytes{0x7F}));
    EXPECT_EQ(varLen(0x80), (Bytes{0x81, 0x00}));
    EXPECT_EQ(varLen(480), (Bytes{0x83, 0x60}));
    EXPECT_EQ(varLen(0x3FFF), (Bytes{0xFF, 0x7F}));
    EXPECT_EQ(varLen(0x4000), (Bytes{0x81, 0x80, 0x00}));
    EXPECT_EQ(varLen(0x0FFFFFFF), (Bytes{0xFF, 0xFF, 0xFF, 0x7F}));
}

MidiWriterSong smallSong() {
    MidiWriterSong song;
    song.division = 96;
    song.tempo = 600000;
    song.meterBeats = 3;
    song.meterUnit = 4;
    song.endTick = 200;
    MidiWriterTrack track;
    track.events = {{0, {0x90, 60, 100}},
                    {96, {0x90, 60, 0}},
                    {96, {0x90, 64, 90}},
                    {100, {0xFF, 0x01, 1, 'x'}},
                    {150, {0x90, 64, 0}}};
    track.endTick = 200;
    song.tracks.push_back(track);
    return song;
}

TEST(MidiWriter, WritesTheHeaderTheConductorAndRunningStatus) {
    const Bytes file = encodeMidiFile(smallSong());
    // clang-format off
    const Bytes expected = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0, 96,  // format 1, two tracks, 96 a quarter
        'M', 'T', 'r', 'k', 0, 0, 0, 20,                    // the conductor, without a name
        0, 0xFF, 0x58, 4, 3, 2, 24, 8,                      // 3/4
        0, 0xFF, 0x51, 3, 0x09, 0x27, 0xC0,                 // 600000 us a quarter
        0x81, 0x48, 0xFF, 0x2F, 0,                          // the end at 200
        'M', 'T', 'r', 'k', 0, 0, 0, 23,
        0, 0x90, 60, 100,                                   // the status written once...
        0x60, 60, 0,                                        // ...then running
        0, 64, 90,
        4, 0xFF, 0x01, 1, 'x',                              // a meta event ends running status
        50, 0x90, 64, 0,
        50, 0xFF, 0x2F, 0,
    };
    // clang-format on
    EXPECT_EQ(file, expected);
}

TEST(MidiWriter, TheGamesReaderReadsBackWhatWasWritten) {
    const Bytes file = encodeMidiFile(smallSong());
    auto song = std::make_unique<MidiSongState>();
    ASSERT_TRUE(ParseMidiFile(file.data(), file.size(), *song));
    ASSERT_EQ(song->eventCount, 4);
    const int times[] = {0, 96, 96, 150};
    const int keys[] = {60, 60, 64, 64};
    const int velocities[] = {100, 0, 90, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(song->events[i].time, times[i]);
        EXPECT_EQ(song->events[i].status, 0x90);
        EXPECT_EQ(song->events[i].data1, keys[i]);
        EXPECT_EQ(song->events[i].data2, velocities[i]);
    }
    EXPECT_EQ(song->ticksPerPeriod, 1);  // 96 a quarter at 0.6 s is 1.6 a period
}

}  // namespace
