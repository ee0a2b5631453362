#pragma once
// The General MIDI software synthesiser behind the MIDI output, and an
// offline rendering of timed messages through it (for hearing a headless run).
// Not for the game: it goes through platform.h.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

constexpr int SynthSampleRate = 44100;

// The first SoundFont present on the fixed list of system paths; empty if none.
std::string FindGeneralMidiSoundFont();

// A synthesiser with the General MIDI SoundFont loaded. Safe to feed from one
// thread while another renders.
class MidiSynth {
public:
    MidiSynth() = default;
    ~MidiSynth();
    MidiSynth(const MidiSynth&) = delete;
    MidiSynth& operator=(const MidiSynth&) = delete;

    // False when there is no SoundFont or it does not load.
    bool open();
    void close();
    bool isOpen() const { return synth_ != nullptr; }

    // Status in the low byte, then the data bytes; anything but a channel message is ignored.
    void send(std::uint32_t message);
    // Interleaved stereo 16-bit frames.
    void render(std::int16_t* stereo, int frames);

private:
    void* settings_ = nullptr;
    void* synth_ = nullptr;
};

struct TimedMidiMessage {
    std::uint32_t milliseconds;
    std::uint32_t message;
};

// Renders `messages` (in time order, times from the start) for `lengthMs`
// milliseconds into interleaved stereo at SynthSampleRate. False without a SoundFont.
bool RenderMidi(const std::vector<TimedMidiMessage>& messages, std::uint32_t lengthMs,
                std::vector<std::int16_t>& stereo);

// A 16-bit stereo PCM WAV file.
bool WriteStereoWav(const std::string& path, const std::vector<std::int16_t>& stereo, int rate);

}  // namespace platform
