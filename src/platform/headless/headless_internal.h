#pragma once
// Between the parts of the headless backend.

#include <cstdint>

namespace platform::headless_detail {

// Fires the virtual timers due in (from, to], each with the clock set to its time.
void RunTimersUntil(std::uint32_t from, std::uint32_t to, void (*setClock)(std::uint32_t));

// MIDI output unplugged and closed, no timers, nothing recorded.
void ResetMidi();

}  // namespace platform::headless_detail
