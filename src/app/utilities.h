#pragma once
// The game's random draws, a floor, and the non-fatal error box.

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t MessageCapacity = 512;  // bytes, terminator included
inline constexpr int RandomDrawMax = 32767;          // one draw is uniform over 0..32767

void SeedRandom(std::uint32_t seed);
int RandomDraw();

// 1 - r * 2/32767: +1 for r = 0, -1 for r = 32767.
float RandomSigned();
float RandomSignedOf(int r);

// An index in 0..n-1 (n >= 1).
int RandomIndex(int n);
int RandomIndexOf(int n, int r);

// The largest integer value not greater than x.
double Floor(float x);

// "<message> <detail> The application will continue." under "ERROR".
// The loaders pass a message ending in a colon and the file name.
void ShowMessage(const char* message, const char* detail);
