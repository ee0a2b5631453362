#include "audio/adpcm_decoder.h"

#include <algorithm>
#include <limits>

namespace {

int read16(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }
int readU16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }

constexpr int HeaderBytesPerChannel = 7;

std::size_t samplesInShortBlock(const AdpcmFormat& f, std::size_t bytes) {
    const std::size_t header = static_cast<std::size_t>(HeaderBytesPerChannel * f.channels);
    if (bytes < header) return 0;
    const std::size_t perChannel = 2 + (bytes - header) * 2 / static_cast<std::size_t>(f.channels);
    return std::min(perChannel, static_cast<std::size_t>(f.samplesPerBlock));
}

// Decodes one block of `bytes` (a whole block or the short last one) into
// `perChannel` frames.
bool decodeBlock(const AdpcmFormat& f, const std::uint8_t* block, std::size_t perChannel, std::int16_t* out) {
    const int ch = f.channels;
    AdpcmChannel state[2];
    for (int c = 0; c < ch; ++c) {
        const int predictor = block[c];
        if (predictor >= f.coefficientCount) return false;
        state[c].coefficient1 = f.coefficients[predictor][0];
        state[c].coefficient2 = f.coefficients[predictor][1];
        state[c].delta = read16(block + ch + 2 * c);
        state[c].sample1 = read16(block + 3 * ch + 2 * c);
        state[c].sample2 = read16(block + 5 * ch + 2 * c);
    }
    // The two starting samples come out oldest first.
    for (int c = 0; c < ch; ++c) out[c] = static_cast<std::int16_t>(state[c].sample2);
    if (perChannel > 1)
        for (int c = 0; c < ch; ++c) out[ch + c] = static_cast<std::int16_t>(state[c].sample1);
    const std::uint8_t* nibbles = block + HeaderBytesPerChannel * ch;
    const std::size_t total = perChannel * static_cast<std::size_t>(ch);
    // Nibbles run high then low, channels interleaved.
    for (std::size_t n = static_cast<std::size_t>(2 * ch); n < total; ++n) {
        const std::size_t k = n - static_cast<std::size_t>(2 * ch);
        const std::uint8_t byte = nibbles[k / 2];
        const int nibble = (k % 2 == 0) ? byte >> 4 : byte & 0x0f;
        out[n] = adpcmExpandNibble(state[n % static_cast<std::size_t>(ch)], nibble);
    }
    return true;
}

}  // namespace

int adpcmPredict(const AdpcmChannel& c) {
    return (c.sample1 * c.coefficient1 + c.sample2 * c.coefficient2) >> 8;
}

std::int16_t adpcmExpandNibble(AdpcmChannel& c, int nibble) {
    const int signedNibble = nibble >= 8 ? nibble - 16 : nibble;
    const int value = std::clamp(adpcmPredict(c) + signedNibble * c.delta, -32768, 32767);
    c.sample2 = c.sample1;
    c.sample1 = value;
    // A file can keep asking for a larger step; past this its growth would overflow.
    constexpr int MaxStep = std::numeric_limits<int>::max() / 768;
    c.delta = std::clamp((AdpcmAdaptation[nibble] * std::min(c.delta, MaxStep)) >> 8, AdpcmMinStep, MaxStep);
    return static_cast<std::int16_t>(value);
}

bool readAdpcmFormat(const std::uint8_t* body, std::size_t size, AdpcmFormat& f) {
    if (size < 22) return false;
    f.channels = readU16(body + 2);
    f.blockAlign = readU16(body + 12);
    const int extra = readU16(body + 16);
    f.samplesPerBlock = readU16(body + 18);
    f.coefficientCount = readU16(body + 20);
    if (f.channels < 1 || f.channels > 2) return false;
    if (f.blockAlign < HeaderBytesPerChannel * f.channels) return false;
    const int capacity = 2 + (f.blockAlign - HeaderBytesPerChannel * f.channels) * 2 / f.channels;
    if (f.samplesPerBlock < 2 || f.samplesPerBlock > capacity) return false;
    if (f.coefficientCount < 1 || f.coefficientCount > AdpcmMaxCoefficients) return false;
    const std::size_t needed = 22 + 4 * static_cast<std::size_t>(f.coefficientCount);
    if (needed > size || static_cast<std::size_t>(extra) + 18 < needed) return false;
    for (int i = 0; i < f.coefficientCount; ++i) {
        f.coefficients[i][0] = read16(body + 22 + 4 * i);
        f.coefficients[i][1] = read16(body + 24 + 4 * i);
    }
    return true;
}

std::size_t adpcmDecodedSamples(const AdpcmFormat& f, std::size_t bytes) {
    const std::size_t block = static_cast<std::size_t>(f.blockAlign);
    const std::size_t whole = bytes / block;
    const std::size_t perChannel =
        whole * static_cast<std::size_t>(f.samplesPerBlock) + samplesInShortBlock(f, bytes % block);
    return perChannel * static_cast<std::size_t>(f.channels);
}

bool decodeAdpcm(const AdpcmFormat& f, const std::uint8_t* data, std::size_t bytes, std::int16_t* out) {
    const std::size_t block = static_cast<std::size_t>(f.blockAlign);
    const std::size_t frame = static_cast<std::size_t>(f.channels);
    std::size_t at = 0;
    for (; at + block <= bytes; at += block) {
        if (!decodeBlock(f, data + at, static_cast<std::size_t>(f.samplesPerBlock), out)) return false;
        out += static_cast<std::size_t>(f.samplesPerBlock) * frame;
    }
    const std::size_t rest = samplesInShortBlock(f, bytes - at);
    if (rest > 0 && !decodeBlock(f, data + at, rest, out)) return false;
    return true;
}
