#pragma once
// WAV files of 16-bit mono sound: plain PCM, or Microsoft ADPCM with the
// standard seven coefficient pairs and 256-byte blocks of 500 samples, as
// other programs write it at 11025 Hz.

#include <cstdint>
#include <vector>

inline constexpr int AdpcmBlockBytes = 256;
inline constexpr int AdpcmBlockSamples = 500;  // 2 in the header, 2 per byte after its 7 bytes

std::vector<std::uint8_t> encodePcmWav(const std::vector<std::int16_t>& samples, int rate);

// The last block is filled out with silence; the "fact" chunk holds the true length.
std::vector<std::uint8_t> encodeAdpcmWav(const std::vector<std::int16_t>& samples, int rate);

// One block of up to AdpcmBlockSamples samples into AdpcmBlockBytes bytes,
// with the coefficient pair and starting step that lose the least.
void encodeAdpcmBlock(const std::int16_t* samples, int count, std::uint8_t* block);
