#include "wav_writer.h"

#include "audio/adpcm_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void put16(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xff));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xff));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xff));
}

void putId(std::vector<std::uint8_t>& out, const char* id) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(id[i]));
}

void patchRiffSize(std::vector<std::uint8_t>& out) {
    const std::uint32_t size = static_cast<std::uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i)
        out[4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
}

// Encodes with one coefficient pair and starting step; returns the squared error.
double tryBlock(const std::int16_t* samples, int count, int predictor, int delta, std::uint8_t* block) {
    std::memset(block, 0, AdpcmBlockBytes);
    const int first = count > 0 ? samples[0] : 0;
    const int second = count > 1 ? samples[1] : first;
    AdpcmChannel c;
    c.coefficient1 = AdpcmStandardCoefficients[predictor][0];
    c.coefficient2 = AdpcmStandardCoefficients[predictor][1];
    c.delta = delta;
    c.sample1 = second;
    c.sample2 = first;
    block[0] = static_cast<std::uint8_t>(predictor);
    block[1] = static_cast<std::uint8_t>(delta & 0xff);
    block[2] = static_cast<std::uint8_t>((delta >> 8) & 0xff);
    block[3] = static_cast<std::uint8_t>(second & 0xff);
    block[4] = static_cast<std::uint8_t>((second >> 8) & 0xff);
    block[5] = static_cast<std::uint8_t>(first & 0xff);
    block[6] = static_cast<std::uint8_t>((first >> 8) & 0xff);
    double error = 0.0;
    for (int n = 2; n < AdpcmBlockSamples; ++n) {
        const int wanted = n < count ? samples[n] : 0;
        const int predicted = adpcmPredict(c);
        const double ratio = static_cast<double>(wanted - predicted) / static_cast<double>(c.delta);
        const int code = std::clamp(static_cast<int>(std::lround(ratio)), -8, 7);
        const int nibble = code & 0x0f;
        const int got = adpcmExpandNibble(c, nibble);
        const double miss = static_cast<double>(got - wanted);
        error += miss * miss;
        const int k = n - 2;
        block[7 + k / 2] |= static_cast<std::uint8_t>(k % 2 == 0 ? nibble << 4 : nibble);
    }
    return error;
}

}  // namespace

void encodeAdpcmBlock(const std::int16_t* samples, int count, std::uint8_t* block) {
    // A starting step near the size of the first differences, and a few around it.
    int spread = 0;
    for (int n = 2; n < std::min(count, 10); ++n) spread += std::abs(samples[n] - samples[n - 1]);
    const int guess = std::max(AdpcmMinStep, spread / 8 / 2);
    std::uint8_t trial[AdpcmBlockBytes];
    double best = -1.0;
    for (int predictor = 0; predictor < AdpcmMaxCoefficients; ++predictor) {
        for (int delta : {guess / 2, guess, guess * 2, guess * 4}) {
            delta = std::clamp(delta, AdpcmMinStep, 32767);
            const double error = tryBlock(samples, count, predictor, delta, trial);
            if (best < 0.0 || error < best) {
                best = error;
                std::memcpy(block, trial, AdpcmBlockBytes);
            }
        }
    }
}

std::vector<std::uint8_t> encodePcmWav(const std::vector<std::int16_t>& samples, int rate) {
    std::vector<std::uint8_t> out;
    putId(out, "RIFF");
    put32(out, 0);
    putId(out, "WAVE");
    putId(out, "fmt ");
    put32(out, 16);
    put16(out, 1);
    put16(out, 1);
    put32(out, static_cast<std::uint32_t>(rate));
    put32(out, static_cast<std::uint32_t>(rate * 2));
    put16(out, 2);
    put16(out, 16);
    putId(out, "data");
    put32(out, static_cast<std::uint32_t>(samples.size() * 2));
    for (std::int16_t s : samples) put16(out, s);
    patchRiffSize(out);
    return out;
}

std::vector<std::uint8_t> encodeAdpcmWav(const std::vector<std::int16_t>& samples, int rate) {
    const std::size_t blocks = (samples.size() + AdpcmBlockSamples - 1) / AdpcmBlockSamples;
    std::vector<std::uint8_t> out;
    putId(out, "RIFF");
    put32(out, 0);
    putId(out, "WAVE");
    putId(out, "fmt ");
    put32(out, 50);
    put16(out, 2);
    put16(out, 1);
    put32(out, static_cast<std::uint32_t>(rate));
    put32(out, static_cast<std::uint32_t>(rate * AdpcmBlockBytes / AdpcmBlockSamples));
    put16(out, AdpcmBlockBytes);
    put16(out, 4);
    put16(out, 32);
    put16(out, AdpcmBlockSamples);
    put16(out, AdpcmMaxCoefficients);
    for (const auto& pair : AdpcmStandardCoefficients) {
        put16(out, pair[0]);
        put16(out, pair[1]);
    }
    putId(out, "fact");
    put32(out, 4);
    put32(out, static_cast<std::uint32_t>(samples.size()));
    putId(out, "data");
    put32(out, static_cast<std::uint32_t>(blocks * AdpcmBlockBytes));
    for (std::size_t b = 0; b < blocks; ++b) {
        std::uint8_t block[AdpcmBlockBytes];
        const std::size_t first = b * AdpcmBlockSamples;
        const int count = static_cast<int>(std::min<std::size_t>(AdpcmBlockSamples, samples.size() - first));
        encodeAdpcmBlock(samples.data() + first, count, block);
        out.insert(out.end(), block, block + AdpcmBlockBytes);
    }
    patchRiffSize(out);
    return out;
}
