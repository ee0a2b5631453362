#include "platform/headless/headless_audio.h"
#include "platform/audio_output.h"
#include "platform/platform.h"

#include <cstdint>
#include <mutex>

namespace platform {
namespace {

struct HeadlessAudio {
    bool plugged = false;
    bool open = false;
    bool started = false;
    AudioDoneCallback done = nullptr;
    void* user = nullptr;
    std::int16_t* queue[AudioQueueCapacity] = {};
    int queued = 0;
    std::uint32_t startMs = 0;
    std::uint64_t played = 0;
    bool recording = false;
    std::vector<std::int16_t> recorded;
    // A buffer may be played on a thread of its own, as a device would; closing
    // then waits for the callback. Recursive: the callback queues again.
    std::recursive_mutex lock;
};

HeadlessAudio& Audio() {
    static HeadlessAudio audio;
    return audio;
}

using Guard = std::lock_guard<std::recursive_mutex>;

}  // namespace

bool OpenAudioOutput(AudioDoneCallback done, void* user) {
    HeadlessAudio& a = Audio();
    const Guard guard(a.lock);
    if (!a.plugged || a.open) return false;
    a.open = true;
    a.started = false;
    a.done = done;
    a.user = user;
    a.queued = 0;
    a.played = 0;
    return true;
}

bool QueueAudioBuffer(std::int16_t* samples) {
    HeadlessAudio& a = Audio();
    const Guard guard(a.lock);
    if (!a.open || !samples || a.queued >= AudioQueueCapacity) return false;
    a.queue[a.queued++] = samples;
    return true;
}

bool StartAudioOutput() {
    HeadlessAudio& a = Audio();
    const Guard guard(a.lock);
    if (!a.open) return false;
    if (!a.started) a.startMs = Milliseconds();
    a.started = true;
    return true;
}

void CloseAudioOutput() {
    HeadlessAudio& a = Audio();
    const Guard guard(a.lock);
    a.open = false;
    a.started = false;
    a.done = nullptr;
    a.user = nullptr;
    a.queued = 0;
}

bool AudioOutputIsOpen() {
    const Guard guard(Audio().lock);
    return Audio().open;
}

namespace headless {

void PlugAudioOutput() {
    const Guard guard(Audio().lock);
    Audio().plugged = true;
}
void UnplugAudioOutput() {
    const Guard guard(Audio().lock);
    Audio().plugged = false;
}

bool PlayAudioBuffer() {
    HeadlessAudio& a = Audio();
    const Guard guard(a.lock);
    if (!a.open || !a.started || a.queued == 0) return false;
    std::int16_t* buffer = a.queue[0];
    if (a.recording) a.recorded.insert(a.recorded.end(), buffer, buffer + AudioBufferSamples);
    for (int i = 1; i < a.queued; ++i) a.queue[i - 1] = a.queue[i];
    a.queued -= 1;
    a.played += 1;
    if (a.done) a.done(a.user);
    return true;
}

int PlayAudioBuffersDue() {
    HeadlessAudio& a = Audio();
    const Guard guard(a.lock);
    int count = 0;
    while (a.open && a.started) {
        const std::uint64_t elapsed = static_cast<std::uint32_t>(Milliseconds() - a.startMs);
        const std::uint64_t endMs = (a.played + 1) * AudioBufferFrames * 1000 / AudioRate;
        if (endMs > elapsed || !PlayAudioBuffer()) break;
        ++count;
    }
    return count;
}

int QueuedAudioBuffers() {
    const Guard guard(Audio().lock);
    return Audio().queued;
}

void RecordAudio(bool keep) {
    const Guard guard(Audio().lock);
    Audio().recording = keep;
    if (!keep) Audio().recorded.clear();
}

const std::vector<std::int16_t>& RecordedAudio() { return Audio().recorded; }

void ResetAudio() {
    HeadlessAudio& a = Audio();
    const Guard guard(a.lock);
    CloseAudioOutput();
    a.plugged = false;
    a.played = 0;
    a.startMs = 0;
    a.recording = false;
    a.recorded.clear();
}

}  // namespace headless
}  // namespace platform
