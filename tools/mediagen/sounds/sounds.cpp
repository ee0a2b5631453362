#include "sounds.h"

#include "wav_writer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float HalfTurn = 3.14159265f;

struct Noise {
    std::uint32_t state;
    explicit Noise(std::uint32_t seed) : state(seed ? seed : 1u) {}
    float next() {  // -1..1
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(state & 0xffffff) / 8388608.0f - 1.0f;
    }
};

// Second-order band pass (constant peak gain), re-tuned per sample.
struct BandPass {
    float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    float run(float x, float centre, float q) {
        const float w = 2.0f * HalfTurn * centre / SoundRate;
        const float alpha = std::sin(w) / (2.0f * q);
        const float a0 = 1.0f + alpha;
        const float b0 = alpha / a0, b2 = -alpha / a0;
        const float a1 = -2.0f * std::cos(w) / a0, a2 = (1.0f - alpha) / a0;
        const float y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

struct LowPass {
    float y = 0;
    float run(float x, float cutoff) {
        const float k = 1.0f - std::exp(-2.0f * HalfTurn * cutoff / SoundRate);
        y += k * (x - y);
        return y;
    }
};

int samplesFor(float seconds) { return static_cast<int>(seconds * SoundRate); }

// Scales to `peak` of full scale and rounds to 16 bits.
std::vector<std::int16_t> finish(const std::vector<float>& wave, float peak) {
    float top = 1e-9f;
    for (float v : wave) top = std::max(top, std::fabs(v));
    std::vector<std::int16_t> out(wave.size());
    for (std::size_t i = 0; i < wave.size(); ++i)
        out[i] =
            static_cast<std::int16_t>(std::lround(std::clamp(wave[i] / top * peak, -1.0f, 1.0f) * 32767.0f));
    return out;
}

// Short fades at both ends so that no sound starts or stops with a click.
void fadeEnds(std::vector<float>& wave, int fadeIn, int fadeOut) {
    const int n = static_cast<int>(wave.size());
    for (int i = 0; i < std::min(fadeIn, n); ++i)
        wave[static_cast<std::size_t>(i)] *= static_cast<float>(i) / fadeIn;
    for (int i = 0; i < std::min(fadeOut, n); ++i)
        wave[static_cast<std::size_t>(n - 1 - i)] *= static_cast<float>(i) / fadeOut;
}

}  // namespace

std::vector<std::int16_t> makeThrowSound() {
    // Air rushing past: noise through a band that sweeps up and back down.
    std::vector<float> wave(ThrowSamples);
    Noise noise(7);
    BandPass band;
    for (int i = 0; i < ThrowSamples; ++i) {
        const float t = static_cast<float>(i) / ThrowSamples;
        const float swell = std::sin(HalfTurn * t);
        const float centre = 300.0f + 1500.0f * swell * swell;
        wave[static_cast<std::size_t>(i)] = band.run(noise.next(), centre, 2.5f) * swell * swell;
    }
    fadeEnds(wave, 20, 200);
    return finish(wave, 0.8f);
}

std::vector<std::int16_t> makeDetectorSound() {
    // Two bright beeps, a square-ish tone softened by its own harmonics only.
    const int n = samplesFor(0.32f);
    std::vector<float> wave(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / SoundRate;
        const bool on = t < 0.11f || (t > 0.17f && t < 0.28f);
        if (!on) continue;
        const float phase = 2.0f * HalfTurn * 1760.0f * t;
        wave[static_cast<std::size_t>(i)] = std::sin(phase) + 0.3f * std::sin(3.0f * phase);
    }
    // Soft edges on each beep.
    for (int i = 1; i < n; ++i) {
        const float t = static_cast<float>(i) / SoundRate;
        const float edges[] = {0.0f, 0.11f, 0.17f, 0.28f};
        float g = 1.0f;
        for (float e : edges) g = std::min(g, std::fabs(t - e) / 0.004f);
        wave[static_cast<std::size_t>(i)] *= std::min(g, 1.0f);
    }
    return finish(wave, 0.6f);
}

std::vector<std::int16_t> makeKnockoutSound() {
    // A dull blow falling in pitch, then a ringing head.
    const int n = samplesFor(0.9f);
    std::vector<float> wave(static_cast<std::size_t>(n));
    Noise noise(11);
    LowPass low;
    float phase = 0.0f;
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / SoundRate;
        phase += 2.0f * HalfTurn * (60.0f + 90.0f * std::exp(-t * 25.0f)) / SoundRate;
        const float thud = std::sin(phase) * std::exp(-t * 12.0f);
        const float knock = low.run(noise.next(), 900.0f) * std::exp(-t * 60.0f) * 3.0f;
        const float ring =
            (std::sin(2.0f * HalfTurn * 1230.0f * t) + 0.5f * std::sin(2.0f * HalfTurn * 2710.0f * t)) *
            0.25f * std::exp(-t * 4.5f) * std::min(1.0f, t * 200.0f);
        wave[static_cast<std::size_t>(i)] = thud + knock + ring;
    }
    fadeEnds(wave, 4, 300);
    return finish(wave, 0.9f);
}

std::vector<std::int16_t> makeCoinsSound() {
    // Coins striking each other: short inharmonic metal partials at uneven times.
    const int n = samplesFor(0.7f);
    std::vector<float> wave(static_cast<std::size_t>(n));
    Noise noise(23);
    const float hits[] = {0.0f, 0.06f, 0.13f, 0.17f, 0.26f, 0.34f, 0.45f};
    for (std::size_t h = 0; h < std::size(hits); ++h) {
        const float base = 2300.0f + 600.0f * (noise.next() + 1.0f);
        const float loud = 1.0f - 0.1f * static_cast<float>(h);
        const int start = samplesFor(hits[h]);
        for (int i = start; i < n; ++i) {
            const float t = static_cast<float>(i - start) / SoundRate;
            const float e = std::exp(-t * 28.0f) * std::min(1.0f, t * 3000.0f);
            if (t > 0.01f && e < 1e-4f) break;
            const float v = std::sin(2.0f * HalfTurn * base * t) +
                            0.6f * std::sin(2.0f * HalfTurn * base * 1.47f * t) +
                            0.35f * std::sin(2.0f * HalfTurn * base * 0.71f * t);
            wave[static_cast<std::size_t>(i)] += loud * e * v;
        }
    }
    fadeEnds(wave, 2, 200);
    return finish(wave, 0.7f);
}

std::vector<std::int16_t> makeStepSound() {
    // A boot on gravel: a soft low thump under a crackle of small stones.
    const int n = samplesFor(0.22f);
    std::vector<float> wave(static_cast<std::size_t>(n));
    Noise noise(31);
    LowPass thump;
    BandPass crunch;
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / SoundRate;
        const float body = thump.run(noise.next(), 180.0f) * 6.0f * std::exp(-t * 30.0f);
        // Grains: sparse clicks whose density falls over the step.
        const float r = noise.next();
        const float grain = (std::fabs(r) > 0.9f - 0.3f * std::exp(-t * 15.0f)) ? r : 0.0f;
        const float stones = crunch.run(grain, 2200.0f, 1.2f) * std::exp(-t * 14.0f);
        wave[static_cast<std::size_t>(i)] = body + stones;
    }
    fadeEnds(wave, 30, 150);
    return finish(wave, 0.7f);
}

std::vector<std::int16_t> makeMonsterSound() {
    // A throaty growl: a buzzing low voice with wobbling pitch and a rough edge.
    const int n = samplesFor(1.0f);
    std::vector<float> wave(static_cast<std::size_t>(n));
    Noise noise(43);
    BandPass throat;
    LowPass rough;
    float phase = 0.0f;
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / SoundRate;
        const float pitch =
            85.0f + 12.0f * std::sin(2.0f * HalfTurn * 5.5f * t) + 20.0f * std::sin(HalfTurn * t);
        phase += pitch / SoundRate;
        phase -= std::floor(phase);
        const float buzz = 2.0f * phase - 1.0f;
        const float growl = throat.run(buzz + 0.4f * rough.run(noise.next(), 400.0f), 420.0f, 1.5f);
        const float envelope = std::min(1.0f, t * 8.0f) * std::min(1.0f, (1.0f - t) * 4.0f) *
                               (0.75f + 0.25f * std::sin(2.0f * HalfTurn * 9.0f * t));
        wave[static_cast<std::size_t>(i)] = growl * envelope + buzz * 0.15f * envelope;
    }
    fadeEnds(wave, 50, 300);
    return finish(wave, 0.85f);
}

std::vector<std::int16_t> makeScrunchSound(std::uint32_t seed, float seconds) {
    // Rock grinding on rock: bursts of gritty noise, lower and fuller than a step.
    const int n = samplesFor(seconds);
    std::vector<float> wave(static_cast<std::size_t>(n));
    Noise noise(seed);
    BandPass grit;
    LowPass body;
    float burst = 0.0f;
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(n);
        if (i % 220 == 0) burst = 0.4f + 0.6f * std::fabs(noise.next());
        const float x = noise.next();
        const float v = grit.run(x, 900.0f + 500.0f * burst, 0.9f) + body.run(x, 250.0f) * 1.5f;
        wave[static_cast<std::size_t>(i)] = v * burst * std::exp(-t * 3.0f);
    }
    fadeEnds(wave, 15, 250);
    return finish(wave, 0.75f);
}

void makeSoundMedia(std::vector<MediaFile>& files) {
    auto pcm = [&](const char* name, const std::vector<std::int16_t>& s) {
        files.push_back({name, encodePcmWav(s, SoundRate)});
    };
    auto adpcm = [&](const char* name, const std::vector<std::int16_t>& s) {
        files.push_back({name, encodeAdpcmWav(s, SoundRate)});
    };
    pcm("throw.wav", makeThrowSound());  // PCM: its length is the throwing rate, to the sample
    pcm("detector.wav", makeDetectorSound());
    adpcm("knockout.wav", makeKnockoutSound());
    adpcm("coins.wav", makeCoinsSound());
    pcm("step.wav", makeStepSound());
    adpcm("monster.wav", makeMonsterSound());
    pcm("scrunch1.wav", makeScrunchSound(101, 0.35f));
    adpcm("scrunch4.wav", makeScrunchSound(404, 0.45f));
}
