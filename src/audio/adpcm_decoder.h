#pragma once
// Microsoft ADPCM to 16-bit PCM at the same rate and channel count.

#include <cstddef>
#include <cstdint>

inline constexpr int AdpcmMaxCoefficients = 7;  // all a 50-byte format body can hold
inline constexpr int AdpcmStandardCoefficients[AdpcmMaxCoefficients][2] = {
    {256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
inline constexpr int AdpcmAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                            768, 614, 512, 409, 307, 230, 230, 230};
inline constexpr int AdpcmMinStep = 16;

struct AdpcmFormat {
    int channels = 1;
    int blockAlign = 0;
    int samplesPerBlock = 0;  // per channel
    int coefficientCount = 0;
    int coefficients[AdpcmMaxCoefficients][2] = {};
};

// Reads the "fmt " body of a Microsoft ADPCM file. False when a field does
// not fit the body or cannot describe a decodable block: 1 or 2 channels, a
// block that holds its header, samples per block that the block can hold, 1
// to 7 coefficient pairs present in the body.
bool readAdpcmFormat(const std::uint8_t* body, std::size_t size, AdpcmFormat& format);

// Samples (all channels together) that `bytes` of data decode to: whole
// blocks, then a last short block as far as it holds samples.
std::size_t adpcmDecodedSamples(const AdpcmFormat& format, std::size_t bytes);

// Decodes `bytes` of data into `out`, which holds adpcmDecodedSamples.
// False on a block header naming a coefficient pair the format lacks.
bool decodeAdpcm(const AdpcmFormat& format, const std::uint8_t* data, std::size_t bytes, std::int16_t* out);

// One nibble of the predictor; shared with the encoder so both agree.
struct AdpcmChannel {
    int coefficient1 = 0, coefficient2 = 0;
    int delta = AdpcmMinStep;
    int sample1 = 0, sample2 = 0;
};
int adpcmPredict(const AdpcmChannel& channel);
std::int16_t adpcmExpandNibble(AdpcmChannel& channel, int nibble);
