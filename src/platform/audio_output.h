#pragma once
// The sound-effect output: 16-bit stereo at 11025 Hz, fed buffers of 1024
// frames that the output plays in the order they were queued and reports back
// one by one, so that each can be refilled and queued again.

#include <cstdint>

namespace platform {

inline constexpr int AudioRate = 11025;
inline constexpr int AudioBufferFrames = 1024;
inline constexpr int AudioBufferSamples = AudioBufferFrames * 2;  // left first in each frame
inline constexpr int AudioQueueCapacity = 2;

// Called on the output's own thread after the oldest queued buffer has been
// played and taken off the queue.
using AudioDoneCallback = void (*)(void* user);

// Opens the output, paused with nothing queued; false when there is no device.
bool OpenAudioOutput(AudioDoneCallback done, void* user);

// Queues a buffer of AudioBufferSamples samples. It must stay untouched until
// it is reported played. Allowed from the done callback; false when the output
// is closed or already holds AudioQueueCapacity buffers.
bool QueueAudioBuffer(std::int16_t* samples);

// Starts playing what is queued.
bool StartAudioOutput();

// Stops and closes the output. When it returns the done callback is not
// running and will not run again. Safe to repeat.
void CloseAudioOutput();

bool AudioOutputIsOpen();

}  // namespace platform
