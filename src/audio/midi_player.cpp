#include "audio/midi_player.h"

#include "app/media_path.h"
#include "audio/midi_file.h"
#include "platform/platform.h"

#include <cstdio>
#include <vector>

MidiSongState MidiSong;

namespace {

// Far beyond any song; a bigger file is read only this far.
constexpr long MaxSongFileBytes = 64L * 1024 * 1024;

constexpr std::uint8_t SilencingControllers[] = {120, 121, 123};  // sound off, reset controllers, notes off

bool readWholeFile(const char* path, std::vector<std::uint8_t>& bytes) {
    // Read only: a read-only media folder must still play.
    std::FILE* file = platform::OpenFileForReading(path);
    if (!file) return false;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return false;
    }
    if (size > MaxSongFileBytes) size = MaxSongFileBytes;
    bytes.resize(static_cast<std::size_t>(size));
    const std::size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file);
    bytes.resize(got);
    std::fclose(file);
    return true;
}

}  // namespace

void SilenceMidi() {
    for (std::uint32_t channel = 0; channel < 16; ++channel)
        for (std::uint8_t controller : SilencingControllers)
            platform::SendMidiMessage((0xB0 | channel) | std::uint32_t{controller} << 8);
    MidiSong.stopped.store(true, std::memory_order_release);
}

void MidiTick(int timerId, void*) {
    MidiSongState& song = MidiSong;
    if (!song.playing.load(std::memory_order_acquire)) {
        platform::StopPeriodicTimer(timerId);
        SilenceMidi();  // hands the table back
        return;
    }
    song.songTicks += song.ticksPerPeriod;
    while (song.nextEvent < song.eventCount && song.events[song.nextEvent].time < song.songTicks)
        platform::SendMidiMessage(midiMessage(song.events[song.nextEvent++]));
    if (song.nextEvent >= song.eventCount) {
        // Again from the start on the next period; notes still sounding ring on.
        song.nextEvent = 0;
        song.songTicks = 0;
    }
}

void StopSong() {
    MidiSongState& song = MidiSong;
    if (song.deviceOpen && song.playing.load()) {
        song.playing.store(false, std::memory_order_release);
        // A timer that is gone (or never came) will not answer: only a live one is waited for.
        while (!song.stopped.load(std::memory_order_acquire) && platform::TimerIsRunning(song.timerId))
            platform::SleepMilliseconds(MidiPeriodMs);
    }
    if (song.timerId != 0) {
        platform::StopPeriodicTimer(song.timerId);
        song.timerId = 0;
    }
    song.eventCount = 0;
    song.nextEvent = 0;
    SilenceMidi();
}

bool LoadSong(const char* fileName) {
    MidiSongState& song = MidiSong;
    song.ticksPerPeriod = DefaultTicksPerPeriod;
    PathBuffer path;
    std::vector<std::uint8_t> bytes;
    if (!MediaPath(path, fileName) || !readWholeFile(path, bytes)) return true;  // plays as silence
    return ParseMidiFile(bytes.data(), bytes.size(), song);
}

void PlaySong(const char* fileName) {
    MidiSongState& song = MidiSong;
    if (!song.deviceOpen) return;
    StopSong();
    if (!LoadSong(fileName)) return;
    song.nextEvent = 0;
    song.songTicks = 0;
    song.stopped.store(false);
    song.playing.store(true);
    song.timerId = platform::StartPeriodicTimer(MidiPeriodMs, MidiTick, nullptr);
    if (song.timerId == 0) {
        song.playing.store(false);
        song.stopped.store(true);
    }
}

void CloseMidiDevice() {
    MidiSongState& song = MidiSong;
    if (!song.deviceOpen) return;
    StopSong();
    platform::CloseMidiOutput();
    song.deviceOpen = false;
}

void OpenMidiDevice() {
    CloseMidiDevice();
    MidiSong.deviceOpen = platform::OpenMidiOutput();
}
