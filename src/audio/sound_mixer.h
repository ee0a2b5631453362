#pragma once
// Sound effects placed in the world, mixed in software into 16-bit stereo at
// 11025 Hz. A slot is a loaded sound; a negative slot (a sound that failed to
// load) is ignored everywhere.
//
// Threads: the output's callback thread runs MixNextBuffer; everything else
// runs on the main thread. The main thread never writes what the mixer reads
// without going through the atomics below: a start is a request published by
// its sequence number, and the listener, facing and emitter positions reach
// the mixer as one snapshot per buffer.

#include "math/vector3.h"

#include <atomic>
#include <cstdint>

inline constexpr int SoundSlotCapacity = 32;
inline constexpr int MixFrames = 1024;
inline constexpr int MixHistory = 16;  // samples in the muffling average and the longest ear lead
inline constexpr float SoundSampleRate = 11025.0f;

struct SoundSample {
    // Written by loading before the slot is counted in `sampleCount`.
    std::int16_t* data = nullptr;
    int count = 0;
    bool shared = false;  // data belongs to another slot

    // The voice, owned by the mixer thread.
    std::int16_t historyLeft[MixHistory] = {};
    std::int16_t historyRight[MixHistory] = {};
    float baseRate = 1.0f;
    float step = 1.0f;
    float distance = 0.0f;
    float volume = 1.0f;
    float gainRight = 0.0f, gainLeft = 0.0f;
    int leadRight = 0, leadLeft = 0;
    bool playing = false;  // the mixer's own view; the main thread asks SoundIsPlaying
    bool loop = false;
    int position = 0;
    float directRight = 1.0f, directLeft = 1.0f;
    float filterRight = 0.0f, filterLeft = 0.0f;
    int ringIndex = 0;
    int sumLeft = 0, sumRight = 0;
    float startTime = 0.0f;
    std::uint32_t startTaken = 0;  // the request this voice plays

    // Main thread only: the live position the snapshot is taken from.
    const float* emitter = nullptr;

    // A start request: odd while the main thread writes it, then even.
    std::atomic<std::uint32_t> startSerial{0};
    std::atomic<float> startRate{1.0f};
    std::atomic<float> startVolume{1.0f};
    std::atomic<float> startDistance{0.0f};
    std::atomic<float> startAt{0.0f};
    // The request whose voice ran to its end.
    std::atomic<std::uint32_t> finishedSerial{0};
};

// Listener, facing, range and every emitter's x and z, as the main thread
// last published them.
struct SoundPositions {
    float listenerX = 0.0f, listenerZ = 0.0f;
    float facingX = 0.0f, facingZ = 1.0f;
    float range = 160.0f;
    float emitterX[SoundSlotCapacity] = {};
    float emitterZ[SoundSlotCapacity] = {};
};

struct SoundMixer {
    std::atomic<bool> open{false};
    bool nextIsA = true;
    alignas(16) std::int16_t bufferA[MixFrames * 2] = {};
    alignas(16) std::int16_t bufferB[MixFrames * 2] = {};
    std::atomic<int> sampleCount{0};
    SoundSample slots[SoundSlotCapacity];

    // Main thread: read whenever positions are published.
    const Vector3* listener = nullptr;
    const Vector3* facing = nullptr;
    float range = 160.0f;

    // The published snapshot, odd sequence while being written.
    std::atomic<std::uint32_t> positionSerial{0};
    std::atomic<float> shared[5 + 2 * SoundSlotCapacity];
    // The mixer thread's copy for the buffer being mixed.
    SoundPositions now;

    SoundMixer();
    ~SoundMixer();
    SoundMixer(const SoundMixer&) = delete;
    SoundMixer& operator=(const SoundMixer&) = delete;
};

extern SoundMixer Mixer;

// Opens the output and queues both buffers as silence. 0 when every step
// succeeded, otherwise the number of steps that failed; the mixer is open
// only on 0. No device: it stays closed and the game runs silent.
int OpenSoundMixer();

// Stops the output before anything is freed, then frees every slot's data
// that is not shared and empties the slot table.
void CloseSoundMixer();

// Starts (or restarts from its first sample) `slot` at the live position
// `emitter` (three floats the main thread keeps valid while the sound plays)
// at `rate` times its speed and `volume`. Nothing happens for a slot without
// data or while the mixer is closed.
void PlaySoundAt(int slot, const float* emitter, float rate, float volume);

// The throw sound at the rock's position, unless it is still playing.
void PlayThrowSound(const float* emitter);

// True from a start until the voice has run to its end.
bool SoundIsPlaying(int slot);

// Seconds of sound in a loaded slot at rate 1; 0 for a negative or empty slot.
float SoundLength(int slot);

// Hands the listener, facing and emitter positions to the mixer; the main
// loop calls it once a frame.
void PublishSoundPositions();

// Refills the buffer the output has just played and queues it again.
void MixNextBuffer();

// The spatial update of one playing voice at the start of a buffer; false
// while the sound is still on its way to the listener.
bool UpdateVoice(int slot);

// The mixer thread's clock, in seconds.
float MixerNow();
