#pragma once
// The text scores the game's songs are written in (media-src/music/*.txt).
//
//   # a comment (a '#' after a space)              title Words...      division 480 (ticks a quarter)
//   tempo 600000 (us a quarter)   meter 4 4      loop (every part ends together, on a bar line)
//   track Name   then for that part: channel 0-15, program 0-127, volume, pan,
//                reverb, chorus (0-127, sent at the start), velocity 1-127
//   Any other line holds notes: a4/4 (A4, a quarter), c#5/8. (dotted eighth),
//   bb3/1*2 (two whole notes), a3+c4+e4/2 (a chord), n42/8 (key number 42),
//   r/4 (a rest), v70 (velocity from here on), | (must fall on a bar line),
//   { ... }3 (three times). A note without a length keeps the last one. C4 is key 60.

#include "midi_writer.h"

#include <string>

bool parseScore(const std::string& text, MidiWriterSong& song, std::string& error);
