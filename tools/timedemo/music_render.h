#pragma once
// The MIDI messages a headless run sent, rendered to a WAV file so the run's music can be heard.

#include <cstdint>
#include <string>

// Renders every recorded message from time 0 to `endMs` and a short tail after. False (with `error`)
// when there is no SoundFont or the file cannot be written.
bool WriteRunMusic(const std::string& file, std::uint32_t endMs, std::string& error);
