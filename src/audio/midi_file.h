#pragma once
// Standard MIDI File reading into the song table.

#include "audio/midi_player.h"

#include <cstddef>
#include <cstdint>

// Parses a whole file's bytes: appends its channel messages to `song.events`
// from `song.eventCount` on (at most MidiEventCapacity in all, the rest
// dropped), sorted by time when the tracks need merging, and sets
// `song.ticksPerPeriod` from its tempo. False for a header shorter than six
// bytes or a format above 1. Lengths that run past the data end the reading
// where the data ends.
bool ParseMidiFile(const std::uint8_t* data, std::size_t size, MidiSongState& song);
