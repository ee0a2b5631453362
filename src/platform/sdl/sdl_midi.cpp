#include "platform/internal.h"
#include "platform/midi_synth.h"
#include "platform/platform.h"

#include <SDL.h>

#include <atomic>

namespace platform {
namespace {

struct MidiOutput {
    MidiSynth synth;
    SDL_AudioDeviceID device = 0;
    std::atomic<bool> open{false};
};

MidiOutput& Output() {
    static MidiOutput output;
    return output;
}

void FillAudio(void* user, Uint8* stream, int bytes) {
    static_cast<MidiSynth*>(user)->render(reinterpret_cast<std::int16_t*>(stream), bytes / 4);
}

}  // namespace

bool OpenMidiOutput() {
    MidiOutput& out = Output();
    CloseMidiOutput();
    if (!out.synth.open()) return false;
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        out.synth.close();
        return false;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = SynthSampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 512;
    wanted.callback = FillAudio;
    wanted.userdata = &out.synth;
    SDL_AudioSpec got{};
    // Exactly this format: the synthesiser writes it directly.
    out.device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &got, 0);
    if (out.device == 0) {
        out.synth.close();
        return false;
    }
    out.open = true;
    SDL_PauseAudioDevice(out.device, 0);
    return true;
}

void CloseMidiOutput() {
    MidiOutput& out = Output();
    out.open = false;
    if (out.device != 0) {
        SDL_CloseAudioDevice(out.device);  // waits for the callback to finish
        out.device = 0;
    }
    out.synth.close();
}

bool MidiOutputIsOpen() { return Output().open; }

void SendMidiMessage(std::uint32_t message) {
    MidiOutput& out = Output();
    if (out.open) out.synth.send(message);
}

int StartPeriodicTimer(std::uint32_t periodMs, TimerCallback callback, void* user) {
    return StartThreadTimer(periodMs, callback, user);
}
void StopPeriodicTimer(int id) { StopThreadTimer(id); }
bool TimerIsRunning(int id) { return ThreadTimerIsRunning(id); }
void SleepMilliseconds(std::uint32_t milliseconds) { SleepRealMilliseconds(milliseconds); }

}  // namespace platform
