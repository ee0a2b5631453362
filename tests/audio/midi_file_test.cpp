#include "audio/midi_file.h"
#include "midi_test_files.h"

#include <gtest/gtest.h>

#include <memory>

using namespace midi_test;

namespace {

class MidiFileTest : public ::testing::Test {
protected:
    std::unique_ptr<MidiSongState> song = std::make_unique<MidiSongState>();

    bool parse(const std::string& file) {
        song->eventCount = 0;
        song->ticksPerPeriod = DefaultTicksPerPeriod;
        return ParseMidiFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), *song);
    }

    const MidiEvent& event(int i) const { return song->events[i]; }
};

std::string oneNote() { return note(0, 0x90, 60, 100) + note(480, 0x80, 60, 0); }

TEST_F(MidiFileTest, TempoAtTheStartSetsWholeTicksPerPeriod) {
    // 480 ticks a quarter, 0.5 s a quarter: 9.6 ticks in 10 ms, truncated.
    ASSERT_TRUE(parse(header(0, 1, 480) + track(tempo(0, 500000) + oneNote() + endOfTrack())));
    EXPECT_EQ(song->ticksPerPeriod, 9);

    // Exact rates stay exact: 480 ticks in 0.48 s is 10 per period, 0.6 s gives 8.
    ASSERT_TRUE(parse(header(0, 1, 480) + track(tempo(0, 480000) + oneNote() + endOfTrack())));
    EXPECT_EQ(song->ticksPerPeriod, 10);
    ASSERT_TRUE(parse(header(0, 1, 480) + track(tempo(0, 600000) + oneNote() + endOfTrack())));
    EXPECT_EQ(song->ticksPerPeriod, 8);

    // A tempo so slow it rounds to no tick at all still moves the song on.
    ASSERT_TRUE(parse(header(0, 1, 24) + track(tempo(0, 0xFFFFFF) + oneNote() + endOfTrack())));
    EXPECT_EQ(song->ticksPerPeriod, 1);

    // No tempo at all plays at the default.
    ASSERT_TRUE(parse(header(0, 1, 96) + track(oneNote() + endOfTrack())));
    EXPECT_EQ(song->ticksPerPeriod, 10);
}

TEST_F(MidiFileTest, OnlyTempoEventsBeforeTick120Count) {
    ASSERT_TRUE(parse(header(0, 1, 480) + track(tempo(120, 500000) + oneNote() + endOfTrack())));
    EXPECT_EQ(song->ticksPerPeriod, 10);
    ASSERT_TRUE(parse(header(0, 1, 480) + track(tempo(119, 500000) + oneNote() + endOfTrack())));
    EXPECT_EQ(song->ticksPerPeriod, 9);
    // The last early one wins; a later one changes nothing.
    ASSERT_TRUE(parse(header(0, 1, 480) +
                      track(tempo(0, 500000) + tempo(10, 600000) + tempo(200, 250000) + endOfTrack())));
    EXPECT_EQ(song->ticksPerPeriod, 8);
    // In a format 1 file every track counts from 0: a tempo in the second track at 60 counts.
    ASSERT_TRUE(
        parse(header(1, 2, 480) + track(oneNote() + endOfTrack()) + track(tempo(60, 500000) + endOfTrack())));
    EXPECT_EQ(song->ticksPerPeriod, 9);
}

TEST_F(MidiFileTest, SmpteDivisionGivesTicksPerSecondOverOneHundred) {
    // -30 frames a second, 80 ticks a frame: 2400 ticks a second.
    ASSERT_TRUE(parse(header(0, 1, 0xE2, 80) + track(tempo(0, 500000) + oneNote() + endOfTrack())));
    EXPECT_EQ(song->ticksPerPeriod, 24);
    // 25 x 40 is 1000 a second: the default rate; the tempo event is ignored under SMPTE.
    ASSERT_TRUE(parse(header(0, 1, 0xE7, 40) + track(tempo(0, 500000) + endOfTrack())));
    EXPECT_EQ(song->ticksPerPeriod, 10);
    // A rate that rounds to nothing still moves the song on.
    ASSERT_TRUE(parse(header(0, 1, 0xE7, 0) + track(oneNote() + endOfTrack())));
    EXPECT_EQ(song->ticksPerPeriod, 1);
}

TEST_F(MidiFileTest, FormatOneTracksMergeByTimeKeepingTrackOrderOnTies) {
    const std::string file = header(1, 3, 480) +
                             track(note(0, 0x90, 10, 1) + note(100, 0x80, 10, 0) + endOfTrack()) +
                             track(note(50, 0x91, 20, 2) + note(50, 0x81, 20, 0) + endOfTrack()) +
                             track(note(0, 0x92, 30, 3) + note(100, 0x82, 30, 0) + endOfTrack());
    ASSERT_TRUE(parse(file));
    ASSERT_EQ(song->eventCount, 6);
    const int times[] = {0, 0, 50, 100, 100, 100};
    const int statuses[] = {0x90, 0x92, 0x91, 0x80, 0x81, 0x82};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(event(i).time, times[i]) << i;
        EXPECT_EQ(event(i).status, statuses[i]) << i;
        EXPECT_EQ(event(i).unused, 0);
    }

    // Many ties: at every tick the first track's events come first, then the second's, the third's.
    std::string many = header(1, 3, 480);
    for (int t = 0; t < 3; ++t) {
        std::string body;
        for (int n = 0; n < 40; ++n) body += note(n % 2 == 0 ? 10 : 0, 0x90 | t, n, 1);
        many += track(body + endOfTrack());
    }
    ASSERT_TRUE(parse(many));
    ASSERT_EQ(song->eventCount, 120);
    for (int i = 0; i < 120; ++i) {
        const int tick = i / 6, within = i % 6;
        EXPECT_EQ(event(i).time, 10 * (tick + 1)) << i;
        EXPECT_EQ(event(i).status & 0x0F, within / 2) << i;
        EXPECT_EQ(event(i).data1, 2 * tick + within % 2) << i;
    }
}

TEST_F(MidiFileTest, FormatZeroTracksContinueTheTime) {
    // Two tracks in a format 0 file: the second goes on from where the first ended, then all is sorted.
    ASSERT_TRUE(parse(header(0, 2, 480) + track(note(100, 0x90, 1, 1) + endOfTrack()) +
                      track(note(0, 0x90, 2, 1) + note(10, 0x80, 2, 0) + endOfTrack())));
    ASSERT_EQ(song->eventCount, 3);
    EXPECT_EQ(event(1).time, 100);
    EXPECT_EQ(event(1).data1, 2);
    EXPECT_EQ(event(2).time, 110);
}

TEST_F(MidiFileTest, RunningStatusRepeatsTheStatusByte) {
    const std::string body = note(0, 0x93, 60, 90) + varLen(10) + bytes({62, 91}) + varLen(10) +
                             bytes({64, 0}) + note(5, 0xC3, 19, 0).substr(0, 3) + varLen(1) + bytes({20}) +
                             endOfTrack();
    ASSERT_TRUE(parse(header(0, 1, 480) + track(body)));
    ASSERT_EQ(song->eventCount, 5);
    EXPECT_EQ(event(1).status, 0x93);
    EXPECT_EQ(event(1).data1, 62);
    EXPECT_EQ(event(1).data2, 91);
    EXPECT_EQ(event(1).time, 10);
    EXPECT_EQ(event(2).status, 0x93);
    EXPECT_EQ(event(2).data1, 64);
    EXPECT_EQ(event(2).time, 20);
    // Program changes carry one data byte, with running status too.
    EXPECT_EQ(event(3).status, 0xC3);
    EXPECT_EQ(event(3).data1, 19);
    EXPECT_EQ(event(3).data2, 0);
    EXPECT_EQ(event(4).status, 0xC3);
    EXPECT_EQ(event(4).data1, 20);
    EXPECT_EQ(event(4).time, 26);
}

TEST_F(MidiFileTest, MetaAndSystemEventsAreSkippedByTheirLengths) {
    const std::string body = varLen(0) + bytes({0xFF, 0x03, 0x05}) + "Theme" +       // track name
                             varLen(0) + bytes({0xFF, 0x58, 0x04, 4, 2, 24, 8}) +    // time signature
                             varLen(0) + bytes({0xFF, 0x54, 0x05, 0, 0, 0, 0, 0}) +  // SMPTE offset
                             varLen(0) + bytes({0xF0, 0x03, 0x7E, 0x09, 0xF7}) +     // system exclusive
                             note(7, 0xE1, 0x00, 0x40) + varLen(3) + bytes({0xD1, 0x55}) + endOfTrack() +
                             note(0, 0x90, 1, 1);  // after the end of the track: not read
    ASSERT_TRUE(parse(header(0, 1, 480) + track(body)));
    ASSERT_EQ(song->eventCount, 2);
    EXPECT_EQ(event(0).status, 0xE1);
    EXPECT_EQ(event(0).data2, 0x40);
    EXPECT_EQ(event(0).time, 7);
    EXPECT_EQ(event(1).status, 0xD1);
    EXPECT_EQ(event(1).data1, 0x55);
    EXPECT_EQ(event(1).time, 10);
}

TEST_F(MidiFileTest, MoreThanTheCapacityKeepsTheFirstEvents) {
    std::string body;
    const int total = MidiEventCapacity + 100;
    for (int i = 0; i < total; ++i) body += note(1, 0x90 | (i % 16), (i / 16) % 128, 64);
    ASSERT_TRUE(parse(header(0, 1, 480) + track(body + endOfTrack())));
    ASSERT_EQ(song->eventCount, MidiEventCapacity);
    const MidiEvent& last = event(MidiEventCapacity - 1);
    EXPECT_EQ(last.time, MidiEventCapacity);
    EXPECT_EQ(last.status, 0x90 | ((MidiEventCapacity - 1) % 16));
    EXPECT_EQ(last.data1, ((MidiEventCapacity - 1) / 16) % 128);
}

TEST_F(MidiFileTest, FormatTwoAndShortHeadersAreRefused) {
    EXPECT_FALSE(parse(header(2, 1, 480) + track(oneNote())));
    EXPECT_FALSE(parse("MThd" + bigEndian32(5) + bytes({0, 0, 0, 1, 1})));
    EXPECT_FALSE(parse(header(0, 1, 480).substr(0, 12)));  // the file ends inside the header
    EXPECT_FALSE(parse("MThd" + bytes({0, 0})));
    // A longer header is fine: the rest of it is skipped.
    EXPECT_TRUE(parse("MThd" + bigEndian32(8) + bytes({0, 0, 0, 1, 1, 0xE0, 9, 9}) + track(oneNote())));
    EXPECT_EQ(song->eventCount, 2);
}

TEST_F(MidiFileTest, UnknownChunksArePassedFourBytesAtATime) {
    // Only the third identifier byte matters: "XXhX" reads as a header, "ABrC" as a track.
    ASSERT_TRUE(parse("JUNKJUNK" + header(0, 1, 480) + "ABrC" +
                      bigEndian32(static_cast<std::uint32_t>(oneNote().size())) + oneNote()));
    EXPECT_EQ(song->eventCount, 2);
    EXPECT_TRUE(parse(std::string("MThd").replace(0, 2, "ZZ") + bigEndian32(6) + bytes({0, 0, 0, 1, 1, 0})));
}

TEST_F(MidiFileTest, TruncatedDataEndsCleanly) {
    const std::string complete = header(0, 1, 480) + track(oneNote() + note(10, 0x90, 62, 80) + endOfTrack());
    // Every cut of the file parses what lies before the cut and reads nothing past it.
    for (std::size_t cut = 14; cut < complete.size(); ++cut) {
        const std::string cutFile = complete.substr(0, cut);
        ASSERT_TRUE(parse(cutFile)) << cut;
        EXPECT_LE(song->eventCount, 3) << cut;
        const int whole = cut >= 22 + 4 + 4 ? 1 : 0;  // the first note-on is whole once its 4 bytes are there
        EXPECT_GE(song->eventCount, whole) << cut;
    }
    // A track length far past the file: the events that are there still count.
    ASSERT_TRUE(parse(header(0, 1, 480) + "MTrk" + bigEndian32(0x00FFFFFF) + oneNote()));
    EXPECT_EQ(song->eventCount, 2);
    // A note cut after its first data byte is not stored.
    ASSERT_TRUE(parse(header(0, 1, 480) + track(note(0, 0x90, 60, 1) + varLen(0) + bytes({0x90, 61}))));
    EXPECT_EQ(song->eventCount, 1);
    // A meta event whose length runs past the track ends it.
    ASSERT_TRUE(parse(header(0, 1, 480) + track(varLen(0) + bytes({0xFF, 0x01, 0x7F, 'a'}) + oneNote()) +
                      track(note(3, 0x90, 70, 1))));
    ASSERT_EQ(song->eventCount, 1);
    EXPECT_EQ(event(0).data1, 70);
    // So does an endless variable-length number.
    ASSERT_TRUE(parse(header(0, 1, 480) + track(bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 1, 1}))));
    EXPECT_EQ(song->eventCount, 0);
}

TEST_F(MidiFileTest, DataWithoutAStatusIsPassedOver) {
    // At the start of a track there is no running status: 0x40 is no event.
    ASSERT_TRUE(
        parse(header(0, 1, 480) + track(varLen(0) + bytes({0x40}) + note(5, 0x90, 60, 1) + endOfTrack())));
    ASSERT_EQ(song->eventCount, 1);
    EXPECT_EQ(event(0).status, 0x90);
    EXPECT_EQ(event(0).time, 0x40 + 5);  // the stray byte was read as the next delta
}

TEST_F(MidiFileTest, TimesThatWouldOverflowEndTheTrack) {
    std::string body;
    for (int i = 0; i < 20; ++i) body += note(0x0FFFFFFF, 0x90, i, 1);
    ASSERT_TRUE(parse(header(0, 1, 480) + track(body)));
    EXPECT_EQ(song->eventCount, 8);  // a ninth 0x0FFFFFFF passes 2^31 - 1
    EXPECT_EQ(event(7).time, 8 * 0x0FFFFFFF);
}

}  // namespace
