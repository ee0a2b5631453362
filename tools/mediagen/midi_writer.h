#pragma once
// Standard MIDI Files, format 1: a first track for the tempo and metre, then
// one track per part.

#include <cstdint>
#include <string>
#include <vector>

struct MidiWriterEvent {
    std::uint32_t tick;
    std::vector<std::uint8_t> bytes;  // a channel message or a meta event (0xFF, type, data...)
};

struct MidiWriterTrack {
    std::string name;
    std::vector<MidiWriterEvent> events;  // in time order
    std::uint32_t endTick = 0;            // where the end-of-track event goes
};

struct MidiWriterSong {
    std::string title;
    int division = 480;                 // ticks per quarter note
    std::uint32_t tempo = 500000;       // microseconds per quarter note
    int meterBeats = 4, meterUnit = 4;  // time signature
    std::uint32_t endTick = 0;
    std::vector<MidiWriterTrack> tracks;
};

void appendVarLen(std::vector<std::uint8_t>& out, std::uint32_t value);

// The whole file. Channel messages use running status where they can; a meta
// event always writes its own status, so no running status follows one.
std::vector<std::uint8_t> encodeMidiFile(const MidiWriterSong& song);
