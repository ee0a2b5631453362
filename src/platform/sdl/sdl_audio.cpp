#include "platform/audio_output.h"

#include <SDL.h>

#include <cstring>

namespace platform {
namespace {

struct SdlAudio {
    SDL_AudioDeviceID device = 0;
    AudioDoneCallback done = nullptr;
    void* user = nullptr;
    std::int16_t* queue[AudioQueueCapacity] = {};
    int queued = 0;
};

SdlAudio& Audio() {
    static SdlAudio audio;
    return audio;
}

// SDL holds the device lock around this call, so the queue is ours here.
void Refill(void*, Uint8* stream, int length) {
    SdlAudio& a = Audio();
    const int bytes = AudioBufferSamples * static_cast<int>(sizeof(std::int16_t));
    if (a.queued == 0) {
        std::memset(stream, 0, static_cast<std::size_t>(length));
        return;
    }
    std::int16_t* played = a.queue[0];
    const int copied = length < bytes ? length : bytes;
    std::memcpy(stream, played, static_cast<std::size_t>(copied));
    if (copied < length) std::memset(stream + copied, 0, static_cast<std::size_t>(length - copied));
    for (int i = 1; i < a.queued; ++i) a.queue[i - 1] = a.queue[i];
    a.queued -= 1;
    if (a.done) a.done(a.user);
}

}  // namespace

bool OpenAudioOutput(AudioDoneCallback done, void* user) {
    SdlAudio& a = Audio();
    if (a.device != 0) return false;
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec wanted{};
    wanted.freq = AudioRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = AudioBufferFrames;
    wanted.callback = Refill;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device really takes.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0) return false;
    a.device = device;
    a.done = done;
    a.user = user;
    a.queued = 0;
    return true;
}

bool QueueAudioBuffer(std::int16_t* samples) {
    SdlAudio& a = Audio();
    if (a.device == 0 || !samples) return false;
    SDL_LockAudioDevice(a.device);  // recursive: also fine inside the callback
    const bool room = a.queued < AudioQueueCapacity;
    if (room) a.queue[a.queued++] = samples;
    SDL_UnlockAudioDevice(a.device);
    return room;
}

bool StartAudioOutput() {
    SdlAudio& a = Audio();
    if (a.device == 0) return false;
    SDL_PauseAudioDevice(a.device, 0);
    return true;
}

void CloseAudioOutput() {
    SdlAudio& a = Audio();
    if (a.device == 0) return;
    SDL_CloseAudioDevice(a.device);  // waits for the callback thread to finish
    a = SdlAudio{};
}

bool AudioOutputIsOpen() { return Audio().device != 0; }

}  // namespace platform
