#include "music_render.h"

#include "platform/headless/headless.h"
#include "platform/midi_synth.h"

#include <algorithm>

namespace {
constexpr std::uint32_t TailMs = 2000;  // notes ring and reverb fades after the last message
}

bool WriteRunMusic(const std::string& file, std::uint32_t endMs, std::string& error) {
    std::vector<platform::TimedMidiMessage> messages;
    for (const platform::headless::MidiRecord& record : platform::headless::MidiMessages()) {
        messages.push_back({record.milliseconds, record.message});
        endMs = std::max(endMs, record.milliseconds);
    }
    std::stable_sort(messages.begin(), messages.end(),
                     [](const auto& a, const auto& b) { return a.milliseconds < b.milliseconds; });
    std::vector<std::int16_t> stereo;
    if (!platform::RenderMidi(messages, endMs + TailMs, stereo)) {
        error = "no General MIDI SoundFont to render the music with";
        return false;
    }
    if (!platform::WriteStereoWav(file, stereo, platform::SynthSampleRate)) {
        error = "cannot write " + file;
        return false;
    }
    return true;
}
