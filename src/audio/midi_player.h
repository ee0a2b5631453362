#pragma once
// Music: Standard MIDI File songs from the media folder, looped on the MIDI output.

// Opens the MIDI output (closing one already open); without a device the game is silent.
void OpenMidiDevice();

// Stops any song, then loads `fileName` from the media folder and plays it from the start.
void PlaySong(const char* fileName);

// Stops the song and silences every note.
void StopSong();

// Stops the music and closes the device if it is open.
void CloseMidiDevice();
