#include "audio/midi_player.h"

// No MIDI output yet: the game runs without music.
void OpenMidiDevice() {}
void PlaySong(const char*) {}
void StopSong() {}
void CloseMidiDevice() {}
