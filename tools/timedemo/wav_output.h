#pragma once
// The sound a run played, as a WAV file.

#include <cstdint>
#include <string>
#include <vector>

// `samples` are 16-bit stereo frames at 11025 Hz, left first.
bool WriteStereoWav(const std::string& path, const std::vector<std::int16_t>& samples, std::string& error);
