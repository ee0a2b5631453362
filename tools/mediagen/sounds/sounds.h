#pragma once
// The game's sound effects, synthesised: 16-bit mono at 11025 Hz, the same
// bytes on every run.

#include "models/models.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr int SoundRate = 11025;
inline constexpr int ThrowSamples = 5513;  // 0.5 s, the wait between two throws

std::vector<std::int16_t> makeThrowSound();                                     // a whoosh
std::vector<std::int16_t> makeDetectorSound();                                  // a double beep
std::vector<std::int16_t> makeKnockoutSound();                                  // a thud with a ring
std::vector<std::int16_t> makeCoinsSound();                                     // coins chinking
std::vector<std::int16_t> makeStepSound();                                      // a footstep on gravel
std::vector<std::int16_t> makeMonsterSound();                                   // a growl
std::vector<std::int16_t> makeScrunchSound(std::uint32_t seed, float seconds);  // rock on rock

// Every sound file, in a fixed order; which are stored as ADPCM is fixed too.
void makeSoundMedia(std::vector<MediaFile>& files);
