#include "audio/sound_mixer.h"

#include "platform/platform.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

SoundMixer Mixer;

// The slot media loading recorded for "throw.wav".
extern int ThrowSound;

namespace {

constexpr float SoundSpeed = 100.0f;  // units per second
constexpr int MaxSample = 32767;
constexpr int SnapshotTries = 4;
enum : int { SharedListenerX, SharedListenerZ, SharedFacingX, SharedFacingZ, SharedRange, SharedEmitters };

bool ValidSlot(int slot) { return slot >= 0 && slot < Mixer.sampleCount.load(std::memory_order_acquire); }

float HorizontalDistance(const float* a, float bx, float bz) {
    const float dx = a[0] - bx;
    const float dz = a[2] - bz;
    return std::sqrt(dx * dx + dz * dz);
}

// The mixer thread's copy of what the main thread last published; kept as it
// was when the main thread is in the middle of writing.
void TakePositions() {
    SoundMixer& m = Mixer;
    for (int attempt = 0; attempt < SnapshotTries; ++attempt) {
        const std::uint32_t before = m.positionSerial.load(std::memory_order_acquire);
        if (before & 1u) continue;
        float copy[SharedEmitters + 2 * SoundSlotCapacity];
        for (int i = 0; i < SharedEmitters + 2 * SoundSlotCapacity; ++i)
            copy[i] = m.shared[i].load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (m.positionSerial.load(std::memory_order_relaxed) != before) continue;
        SoundPositions& p = m.now;
        p.listenerX = copy[SharedListenerX];
        p.listenerZ = copy[SharedListenerZ];
        p.facingX = copy[SharedFacingX];
        p.facingZ = copy[SharedFacingZ];
        p.range = copy[SharedRange];
        for (int s = 0; s < SoundSlotCapacity; ++s) {
            p.emitterX[s] = copy[SharedEmitters + 2 * s];
            p.emitterZ[s] = copy[SharedEmitters + 2 * s + 1];
        }
        return;
    }
}

// A start published since the last buffer resets the voice.
void TakeStart(SoundSample& v) {
    const std::uint32_t serial = v.startSerial.load(std::memory_order_acquire);
    if ((serial & 1u) || serial == v.startTaken) return;
    const float rate = v.startRate.load(std::memory_order_relaxed);
    const float volume = v.startVolume.load(std::memory_order_relaxed);
    const float distance = v.startDistance.load(std::memory_order_relaxed);
    const float at = v.startAt.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (v.startSerial.load(std::memory_order_relaxed) != serial) return;  // rewritten meanwhile: next buffer
    v.startTaken = serial;
    v.volume = volume;
    v.position = 0;
    v.baseRate = v.step = rate;
    v.loop = false;
    v.directLeft = v.directRight = 1.0f;
    v.filterLeft = v.filterRight = 0.0f;
    v.ringIndex = 0;
    v.sumLeft = v.sumRight = 0;
    std::memset(v.historyLeft, 0, sizeof v.historyLeft);
    std::memset(v.historyRight, 0, sizeof v.historyRight);
    v.leadLeft = v.leadRight = 0;
    v.gainLeft = v.gainRight = 0.0f;
    v.distance = distance;
    v.startTime = at;
    v.playing = true;
}

void FinishVoice(SoundSample& v) {
    v.playing = false;
    v.finishedSerial.store(v.startTaken, std::memory_order_release);
}

// Per-voice contribution, clamped so that the history and its running sum stay exact.
int Scaled(float gain, std::int16_t sample) {
    const float value = gain * static_cast<float>(sample);
    if (!(value > -static_cast<float>(MaxSample))) return value != value ? 0 : -MaxSample;
    if (value > static_cast<float>(MaxSample)) return MaxSample;
    return static_cast<int>(value);
}

int Muffled(int plain, float direct, int sum, float filter) {
    const float value = static_cast<float>(static_cast<int>(static_cast<float>(plain) * direct)) +
                        static_cast<float>(sum) * filter * 0.0625f;
    return static_cast<int>(std::clamp(value, -65536.0f, 65536.0f));
}

void MixVoice(SoundSample& v, std::int16_t* out) {
    const int limit = v.count - MixHistory;
    if (limit <= 0 || !v.data) {
        FinishVoice(v);
        return;
    }
    const double start = static_cast<double>(v.position);
    const double step = static_cast<double>(v.step);
    int i = v.position;
    for (int f = 0; f < MixFrames; ++f) {
        const double at = start + static_cast<double>(f) * step;
        if (!(at > -1.0 && at < static_cast<double>(limit))) {
            FinishVoice(v);
            return;
        }
        i = static_cast<int>(at);
        int left = Scaled(v.gainLeft, v.data[i + v.leadLeft]);
        int right = Scaled(v.gainRight, v.data[i + v.leadRight]);
        v.sumLeft += left - v.historyLeft[v.ringIndex];
        v.sumRight += right - v.historyRight[v.ringIndex];
        v.historyLeft[v.ringIndex] = static_cast<std::int16_t>(left);
        v.historyRight[v.ringIndex] = static_cast<std::int16_t>(right);
        v.ringIndex = (v.ringIndex + 1) % MixHistory;
        if (v.filterLeft > 0.0f) left = Muffled(left, v.directLeft, v.sumLeft, v.filterLeft);
        if (v.filterRight > 0.0f) right = Muffled(right, v.directRight, v.sumRight, v.filterRight);
        std::int16_t* frame = out + 2 * f;
        frame[0] = static_cast<std::int16_t>(std::clamp(frame[0] + left, -MaxSample, MaxSample));
        frame[1] = static_cast<std::int16_t>(std::clamp(frame[1] + right, -MaxSample, MaxSample));
    }
    v.position = i;  // the next buffer starts on the sample that ended this one
}

void OnBufferDone(void*) { MixNextBuffer(); }

}  // namespace

SoundMixer::SoundMixer() {
    for (std::atomic<float>& value : shared) value.store(0.0f, std::memory_order_relaxed);
    shared[SharedFacingZ].store(1.0f, std::memory_order_relaxed);
    shared[SharedRange].store(160.0f, std::memory_order_relaxed);
}

SoundMixer::~SoundMixer() { CloseSoundMixer(); }

float MixerNow() { return static_cast<float>(platform::Milliseconds()) * 0.001f; }

int OpenSoundMixer() {
    SoundMixer& m = Mixer;
    if (m.open.load()) return 0;
    PublishSoundPositions();
    std::memset(m.bufferA, 0, sizeof m.bufferA);
    std::memset(m.bufferB, 0, sizeof m.bufferB);
    m.nextIsA = true;
    if (!platform::OpenAudioOutput(OnBufferDone, nullptr)) return 4;
    int failed = 0;
    failed += platform::QueueAudioBuffer(m.bufferA) ? 0 : 1;
    failed += platform::QueueAudioBuffer(m.bufferB) ? 0 : 1;
    // Open before the output starts calling, so that no completion is missed.
    m.open.store(failed == 0, std::memory_order_release);
    if (failed == 0) failed += platform::StartAudioOutput() ? 0 : 1;
    if (failed != 0) {
        m.open.store(false);
        platform::CloseAudioOutput();
    }
    return failed;
}

void CloseSoundMixer() {
    SoundMixer& m = Mixer;
    if (m.open.exchange(false)) {      // first, so that no buffer is queued again
        platform::CloseAudioOutput();  // the callback has stopped when this returns
    }
    const int count = std::min(m.sampleCount.load(), SoundSlotCapacity);
    for (int s = 0; s < count; ++s) {
        SoundSample& slot = m.slots[s];
        if (slot.data && !slot.shared) std::free(slot.data);
        slot.data = nullptr;
        slot.count = 0;
        slot.shared = false;
        slot.playing = false;
        slot.emitter = nullptr;
        slot.finishedSerial.store(slot.startSerial.load());
    }
    m.sampleCount.store(0);
}

void PublishSoundPositions() {
    SoundMixer& m = Mixer;
    const std::uint32_t serial = m.positionSerial.load(std::memory_order_relaxed);
    m.positionSerial.store(serial + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    if (m.listener) {
        m.shared[SharedListenerX].store(m.listener->x, std::memory_order_relaxed);
        m.shared[SharedListenerZ].store(m.listener->z, std::memory_order_relaxed);
    }
    if (m.facing) {
        m.shared[SharedFacingX].store(m.facing->x, std::memory_order_relaxed);
        m.shared[SharedFacingZ].store(m.facing->z, std::memory_order_relaxed);
    }
    m.shared[SharedRange].store(m.range, std::memory_order_relaxed);
    const int count = std::min(m.sampleCount.load(std::memory_order_relaxed), SoundSlotCapacity);
    for (int s = 0; s < count; ++s) {
        const float* e = m.slots[s].emitter;
        if (!e || !SoundIsPlaying(s)) continue;  // a finished voice's emitter may be gone
        m.shared[SharedEmitters + 2 * s].store(e[0], std::memory_order_relaxed);
        m.shared[SharedEmitters + 2 * s + 1].store(e[2], std::memory_order_relaxed);
    }
    m.positionSerial.store(serial + 2, std::memory_order_release);
}

void PlaySoundAt(int slot, const float* emitter, float rate, float volume) {
    SoundMixer& m = Mixer;
    if (!ValidSlot(slot) || !emitter) return;
    SoundSample& v = m.slots[slot];
    if (!v.data || !m.open.load(std::memory_order_acquire)) return;
    const float lx = m.listener ? m.listener->x : 0.0f;
    const float lz = m.listener ? m.listener->z : 0.0f;
    const float distance = HorizontalDistance(emitter, lx, lz);
    v.emitter = emitter;
    // Positions first, so a voice the mixer takes up never sees an older emitter.
    const std::uint32_t serial = v.startSerial.load(std::memory_order_relaxed);
    v.startSerial.store(serial + 1, std::memory_order_relaxed);
    PublishSoundPositions();
    std::atomic_thread_fence(std::memory_order_release);
    v.startRate.store(rate, std::memory_order_relaxed);
    v.startVolume.store(volume, std::memory_order_relaxed);
    v.startDistance.store(distance, std::memory_order_relaxed);
    v.startAt.store(MixerNow() + distance / SoundSpeed, std::memory_order_relaxed);
    v.startSerial.store(serial + 2, std::memory_order_release);
}

void PlayThrowSound(const float* emitter) {
    if (ThrowSound >= 0 && !SoundIsPlaying(ThrowSound)) PlaySoundAt(ThrowSound, emitter, 1.0f, 1.0f);
}

bool SoundIsPlaying(int slot) {
    if (!ValidSlot(slot)) return false;
    const SoundSample& v = Mixer.slots[slot];
    const std::uint32_t started = v.startSerial.load(std::memory_order_acquire);
    return v.finishedSerial.load(std::memory_order_acquire) != started;
}

float SoundLength(int slot) {
    if (!ValidSlot(slot)) return 0.0f;
    const SoundSample& v = Mixer.slots[slot];
    return v.data ? static_cast<float>(v.count) / SoundSampleRate : 0.0f;
}

bool UpdateVoice(int slot) {
    SoundMixer& m = Mixer;
    SoundSample& v = m.slots[slot];
    const SoundPositions& p = m.now;
    if (MixerNow() < v.startTime) return false;
    const float dx = p.emitterX[slot] - p.listenerX;
    const float dz = p.emitterZ[slot] - p.listenerZ;
    const float d2 = dx * dx + dz * dz;
    if (d2 == 0.0f) {
        v.step = v.baseRate + v.distance * 0.01f;
        v.distance = 0.0f;
        v.leadLeft = v.leadRight = 0;
        v.filterLeft = v.filterRight = 0.0f;
        v.gainLeft = v.gainRight = v.volume;
    } else {
        const float d = std::sqrt(d2);
        const float ux = dx / d;
        const float uz = dz / d;
        v.step = v.baseRate + (v.distance - d) * 0.01f;  // nearer since the last buffer: faster
        v.distance = d;
        const float g = p.range > 0.0f ? (p.range - d) * (v.volume / p.range) : 0.0f;
        if (!(g > 0.0f)) {
            v.gainLeft = v.gainRight = 0.0f;  // out of range: runs on silently
        } else {
            const float dot = p.facingX * ux + p.facingZ * uz;
            const float cross = p.facingX * uz - p.facingZ * ux;
            const float a = std::fabs(dot);
            const float far = g * (a + 1.0f) / 2.0f;
            const int lead = static_cast<int>(std::clamp((1.0f - a) * 16.0f, 0.0f, 16.0f));
            // The near ear hears it first and clean; from behind both ears are muffled.
            float& nearGain = cross > 0.0f ? v.gainRight : v.gainLeft;
            float& farGain = cross > 0.0f ? v.gainLeft : v.gainRight;
            int& nearLead = cross > 0.0f ? v.leadRight : v.leadLeft;
            int& farLead = cross > 0.0f ? v.leadLeft : v.leadRight;
            float& nearFilter = cross > 0.0f ? v.filterRight : v.filterLeft;
            float& farFilter = cross > 0.0f ? v.filterLeft : v.filterRight;
            nearGain = g;
            farGain = far;
            nearLead = lead;
            farLead = 0;
            if (dot < 0.0f) {
                nearFilter = a;
                farFilter = 1.0f;
            } else {
                nearFilter = 0.0f;
                farFilter = 1.0f - dot;
            }
        }
    }
    v.directLeft = 1.0f - v.filterLeft;
    v.directRight = 1.0f - v.filterRight;
    return true;
}

void MixNextBuffer() {
    SoundMixer& m = Mixer;
    if (!m.open.load(std::memory_order_acquire)) return;
    std::int16_t* out = m.nextIsA ? m.bufferA : m.bufferB;
    std::memset(out, 0, sizeof m.bufferA);
    const int count = std::min(m.sampleCount.load(std::memory_order_acquire), SoundSlotCapacity);
    for (int s = 0; s < count; ++s) TakeStart(m.slots[s]);
    TakePositions();
    for (int s = 0; s < count; ++s) {
        SoundSample& v = m.slots[s];
        if (v.playing && UpdateVoice(s)) MixVoice(v, out);
    }
    platform::QueueAudioBuffer(out);
    m.nextIsA = !m.nextIsA;
}
