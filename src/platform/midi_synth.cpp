#include "platform/midi_synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace platform {
namespace {

// The default-GM links first: whichever General MIDI set the system chose.
const char* const SoundFontPaths[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
    "/usr/share/soundfonts/default.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
};

bool QuietLogs() {
    // The game reports nothing on the console.
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, nullptr, nullptr);
    return true;
}

fluid_synth_t* Synth(void* p) { return static_cast<fluid_synth_t*>(p); }

void PutLittleEndian(std::FILE* file, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), file);
}

}  // namespace

std::string FindGeneralMidiSoundFont() {
    std::error_code ignored;
    for (const char* path : SoundFontPaths)
        if (std::filesystem::is_regular_file(path, ignored)) return path;
    return {};
}

MidiSynth::~MidiSynth() { close(); }

bool MidiSynth::open() {
    static const bool quiet = QuietLogs();
    (void)quiet;
    close();
    const std::string soundFont = FindGeneralMidiSoundFont();
    if (soundFont.empty()) return false;
    fluid_settings_t* settings = new_fluid_settings();
    if (!settings) return false;
    fluid_settings_setnum(settings, "synth.sample-rate", SynthSampleRate);
    fluid_settings_setnum(settings, "synth.gain", 0.8);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (!synth || fluid_synth_sfload(synth, soundFont.c_str(), 1) == FLUID_FAILED) {
        if (synth) delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        return false;
    }
    settings_ = settings;
    synth_ = synth;
    return true;
}

void MidiSynth::close() {
    if (synth_) delete_fluid_synth(Synth(synth_));
    if (settings_) delete_fluid_settings(static_cast<fluid_settings_t*>(settings_));
    synth_ = nullptr;
    settings_ = nullptr;
}

void MidiSynth::send(std::uint32_t message) {
    fluid_synth_t* synth = Synth(synth_);
    if (!synth) return;
    const int status = static_cast<int>(message & 0xFF);
    const int channel = status & 0x0F;
    const int data1 = static_cast<int>((message >> 8) & 0x7F);
    const int data2 = static_cast<int>((message >> 16) & 0x7F);
    switch (status & 0xF0) {
        case 0x80: fluid_synth_noteoff(synth, channel, data1); break;
        case 0x90: fluid_synth_noteon(synth, channel, data1, data2); break;  // velocity 0 is a note-off
        case 0xA0: fluid_synth_key_pressure(synth, channel, data1, data2); break;
        case 0xB0: fluid_synth_cc(synth, channel, data1, data2); break;
        case 0xC0: fluid_synth_program_change(synth, channel, data1); break;
        case 0xD0: fluid_synth_channel_pressure(synth, channel, data1); break;
        case 0xE0: fluid_synth_pitch_bend(synth, channel, data1 | (data2 << 7)); break;
        default: break;
    }
}

void MidiSynth::render(std::int16_t* stereo, int frames) {
    if (!synth_) {
        for (int i = 0; i < frames * 2; ++i) stereo[i] = 0;
        return;
    }
    fluid_synth_write_s16(Synth(synth_), frames, stereo, 0, 2, stereo, 1, 2);
}

bool RenderMidi(const std::vector<TimedMidiMessage>& messages, std::uint32_t lengthMs,
                std::vector<std::int16_t>& stereo) {
    MidiSynth synth;
    if (!synth.open()) return false;
    const auto frameAt = [](std::uint64_t ms) {
        return static_cast<std::size_t>(ms * SynthSampleRate / 1000);
    };
    const std::size_t total = frameAt(lengthMs);
    stereo.assign(total * 2, 0);
    std::size_t done = 0;
    std::size_t next = 0;
    while (done < total) {
        while (next < messages.size() && frameAt(messages[next].milliseconds) <= done)
            synth.send(messages[next++].message);
        std::size_t until = total;
        if (next < messages.size())
            until = std::min(until, std::max(frameAt(messages[next].milliseconds), done + 1));
        const std::size_t block = std::min<std::size_t>(until - done, 4096);
        synth.render(stereo.data() + done * 2, static_cast<int>(block));
        done += block;
    }
    return true;
}

bool WriteStereoWav(const std::string& path, const std::vector<std::int16_t>& stereo, int rate) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const auto dataBytes = static_cast<std::uint32_t>(stereo.size() * 2);
    std::fputs("RIFF", file);
    PutLittleEndian(file, 36 + dataBytes, 4);
    std::fputs("WAVEfmt ", file);
    PutLittleEndian(file, 16, 4);
    PutLittleEndian(file, 1, 2);  // PCM
    PutLittleEndian(file, 2, 2);
    PutLittleEndian(file, static_cast<std::uint32_t>(rate), 4);
    PutLittleEndian(file, static_cast<std::uint32_t>(rate) * 4, 4);
    PutLittleEndian(file, 4, 2);
    PutLittleEndian(file, 16, 2);
    std::fputs("data", file);
    PutLittleEndian(file, dataBytes, 4);
    for (std::int16_t sample : stereo) PutLittleEndian(file, static_cast<std::uint16_t>(sample), 2);
    const bool written = std::ferror(file) == 0;
    return std::fclose(file) == 0 && written;
}

}  // namespace platform
