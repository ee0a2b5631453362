#pragma once
// Music: Standard MIDI File songs from the media folder, looped on the MIDI output.
// A song is read once into a time-sorted table of channel messages; a 10 ms
// timer then advances the song's tick count and sends what has come due.

#include <atomic>
#include <cstdint>

inline constexpr int MidiEventCapacity = 65536;
inline constexpr std::uint32_t MidiPeriodMs = 10;
inline constexpr std::int32_t DefaultTicksPerPeriod = 10;  // a song without a usable tempo

struct MidiEvent {
    std::int32_t time;  // ticks from the start of the song
    std::uint8_t status;
    std::uint8_t data1;
    std::uint8_t data2;
    std::uint8_t unused;  // always 0: the four bytes go out as one message
};

// The table is owned by the main thread while `stopped` is true and by the
// timer while it runs; `playing` and `stopped` hand it over.
struct MidiSongState {
    bool deviceOpen = false;
    std::atomic<bool> playing{false};
    std::atomic<bool> stopped{true};
    int timerId = 0;
    MidiEvent events[MidiEventCapacity];
    std::int32_t eventCount = 0;
    std::int32_t nextEvent = 0;
    std::int64_t songTicks = 0;
    std::int32_t ticksPerPeriod = DefaultTicksPerPeriod;
};

extern MidiSongState MidiSong;

// Opens the MIDI output (closing one already open); without a device the game is silent.
void OpenMidiDevice();

// Stops any song, then loads `fileName` from the media folder and plays it from the start.
void PlaySong(const char* fileName);

// Stops the song, empties the table and silences every note. Safe at any time.
void StopSong();

// Appends the song's channel messages to the table. A missing file is a
// silent song (true); a file that is not a format 0 or 1 song is false.
bool LoadSong(const char* fileName);

// All sound off, controllers reset and all notes off on the 16 channels.
void SilenceMidi();

// The timer's work every period.
void MidiTick(int timerId, void* unused);

// Stops the music and closes the device if it is open.
void CloseMidiDevice();

// The message as the output takes it: status in the low byte.
inline std::uint32_t midiMessage(const MidiEvent& e) {
    return std::uint32_t{e.status} | std::uint32_t{e.data1} << 8 | std::uint32_t{e.data2} << 16;
}
