#pragma once
// The headless sound-effect output: no device until plugged in; once opened,
// the test or the driver plays the queued buffers itself, on its own thread.

#include <cstdint>
#include <vector>

namespace platform::headless {

void PlugAudioOutput();
void UnplugAudioOutput();

// Plays the oldest queued buffer: appends it to the recording when one is
// kept, takes it off the queue and reports it done (the mixer refills and
// queues it again before this returns). False when the output is closed,
// paused or has nothing queued.
bool PlayAudioBuffer();

// Plays every buffer whose end, counted from the start of output at 1024
// frames per buffer, falls at or before the virtual clock. Returns how many.
int PlayAudioBuffersDue();

int QueuedAudioBuffers();

// Keeps every played buffer, in order, from now on (false: stop and forget).
void RecordAudio(bool keep);
const std::vector<std::int16_t>& RecordedAudio();

// Closed, unplugged and nothing recorded, as at program load.
void ResetAudio();

}  // namespace platform::headless
