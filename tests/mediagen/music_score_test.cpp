#include "score.h"

#include <gtest/gtest.h>

namespace {

struct Message {
    std::uint32_t tick;
    std::vector<std::uint8_t> bytes;
    bool operator==(const Message&) const = default;
};

std::vector<Message> channelMessages(const MidiWriterTrack& track) {
    std::vector<Message> out;
    for (const MidiWriterEvent& e : track.events) out.push_back({e.tick, e.bytes});
    return out;
}

MidiWriterSong parsed(const std::string& text) {
    MidiWriterSong song;
    std::string error;
    EXPECT_TRUE(parseScore(text, song, error)) << error;
    return song;
}

std::string failure(const std::string& text) {
    MidiWriterSong song;
    std::string error;
    EXPECT_FALSE(parseScore(text, song, error));
    return error;
}

// Key numbers of the notes started in the only track.
std::vector<int> keys(const MidiWriterSong& song) {
    std::vector<int> out;
    for (const MidiWriterEvent& e : song.tracks.at(0).events)
        if ((e.bytes[0] & 0xF0) == 0x90) out.push_back(e.bytes[1]);
    return out;
}

TEST(MusicScore, NoteNamesAndKeyNumbers) {
    const MidiWriterSong song = parsed("track T\nc4 a4 c#5 bb3 b3 n42 c-1 g9 e#4 fb4\n");
    EXPECT_EQ(keys(song), (std::vector<int>{60, 69, 73, 58, 59, 42, 0, 127, 65, 64}));
    for (const char* bad : {"a9", "h4", "c", "n128", "c#", "x"})
        EXPECT_NE(failure(std::string("track T\n") + bad + "\n").find("bad note"), std::string::npos) << bad;
}

TEST(MusicScore, LengthsDotsMultiplesAndTheLastLengthKept) {
    const MidiWriterSong song = parsed(
        "division 480\ntrack T\nchannel 2\nvelocity 70\n"
        "c4/8. d4 e4/1*2 r/16 f4\n");
    const MidiWriterTrack& t = song.tracks.at(0);
    const std::vector<Message> expected = {
        {0, {0x92, 60, 70}},   {360, {0x82, 60, 64}},  {360, {0x92, 62, 70}},  {720, {0x82, 62, 64}},
        {720, {0x92, 64, 70}}, {4560, {0x82, 64, 64}}, {4680, {0x92, 65, 70}}, {4800, {0x82, 65, 64}},
    };
    EXPECT_EQ(channelMessages(t), expected);
    EXPECT_EQ(song.endTick, 4800u);
    EXPECT_EQ(t.endTick, 4800u);
    EXPECT_NE(failure("division 480\ntrack T\nc4/3\n").find("bad length"), std::string::npos);
    EXPECT_NE(failure("division 25\ntrack T\nc4/8\n").find("bad length"),
              std::string::npos);  // not whole ticks
}

TEST(MusicScore, ChordsVelocitiesAndTheOrderWithinATick) {
    const MidiWriterSong song = parsed(
        "division 96\ntrack Pad\nprogram 48\nvolume 90\npan 20\nreverb 5\n"
        "c4+e4/4 v40 e4/4\n");
    const std::vector<Message> expected = {
        {0, {0xC0, 48}},      {0, {0xB0, 7, 90}},    {0, {0xB0, 10, 20}},  {0, {0xB0, 91, 5}},
        {0, {0x90, 60, 80}},  {0, {0x90, 64, 80}},   {96, {0x80, 60, 64}}, {96, {0x80, 64, 64}},
        {96, {0x90, 64, 40}}, {192, {0x80, 64, 64}},
    };
    EXPECT_EQ(channelMessages(song.tracks.at(0)), expected);
    EXPECT_EQ(song.tracks.at(0).name, "Pad");
}

TEST(MusicScore, RepeatsBarLinesAndComments) {
    const MidiWriterSong song =
        parsed("division 96   # a quarter\nmeter 2 4\ntrack T\n{ c4/4 { d#4/8 }2 | }3 # three bars\n");
    EXPECT_EQ(keys(song), (std::vector<int>{60, 63, 63, 60, 63, 63, 60, 63, 63}));
    EXPECT_EQ(song.endTick, 3u * 192);
    EXPECT_EQ(failure("division 96\nmeter 2 4\ntrack T\nc4/4 |\n"), "line 4: bar line 96 ticks into a bar");
    EXPECT_NE(failure("track T\n{ c4\n").find("never closed"), std::string::npos);
    EXPECT_NE(failure("track T\nc4 }2\n").find("without"), std::string::npos);
}

TEST(MusicScore, ALoopingSongEndsTogetherOnABarWithAMarker) {
    const MidiWriterSong song = parsed(
        "division 96\nmeter 4 4\nloop\n"
        "track A\nchannel 1\nvolume 77\nc4/2 r/2\n"
        "track B\nchannel 2\ne4/1\n");
    ASSERT_EQ(song.tracks.size(), 2u);
    EXPECT_EQ(song.endTick, 384u);
    // Track A ends in a rest: the marker (its own volume again) falls on the loop's end.
    const MidiWriterEvent& marker = song.tracks[0].events.back();
    EXPECT_EQ(marker.tick, 384u);
    EXPECT_EQ(marker.bytes, (std::vector<std::uint8_t>{0xB1, 7, 77}));
    EXPECT_NE(
        failure("division 96\nloop\ntrack A\nc4/1\ntrack B\nc4/2\n").find("ends at 192, the song at 384"),
        std::string::npos);
    EXPECT_NE(failure("division 96\nloop\ntrack A\nc4/2\n").find("bar line"), std::string::npos);
}

TEST(MusicScore, SongSettingsAndTheirErrors) {
    const MidiWriterSong song =
        parsed("title Deep  Caves\ndivision 240\ntempo 450000\nmeter 6 8\ntrack T\nc4\n");
    EXPECT_EQ(song.title, "Deep Caves");
    EXPECT_EQ(song.division, 240);
    EXPECT_EQ(song.tempo, 450000u);
    EXPECT_EQ(song.meterBeats, 6);
    EXPECT_EQ(song.meterUnit, 8);
    EXPECT_EQ(failure("c4\n"), "line 1: notes before any track");
    EXPECT_EQ(failure("volume 3\n"), "line 1: volume before any track");
    EXPECT_NE(failure("track T\nchannel 16\nc4\n").find("channel wants one number from 0 to 15"),
              std::string::npos);
    EXPECT_NE(failure("track T\nv0 c4\n").find("bad velocity"), std::string::npos);
    EXPECT_NE(failure("meter 3 5\ntrack T\nc4\n").find("power-of-two"), std::string::npos);
    EXPECT_NE(failure("track T\nr/4\n").find("has no notes"), std::string::npos);
    EXPECT_EQ(failure(""), "no tracks");
}

}  // namespace
