#include "app/utilities.h"

#include "platform/platform.h"

#include <cmath>
#include <cstdio>

namespace {

// A linear congruential generator with a 15-bit output, so that a seed gives
// the same game on every machine whatever the C library's rand() does.
std::uint32_t RandomState = 1;

}  // namespace

void SeedRandom(std::uint32_t seed) { RandomState = seed; }

int RandomDraw() {
    RandomState = RandomState * 214013u + 2531011u;
    return static_cast<int>((RandomState >> 16) & 0x7FFFu);
}

float RandomSignedOf(int r) { return 1.0f - static_cast<float>(r) * 6.1037019e-05f; }

float RandomSigned() { return RandomSignedOf(RandomDraw()); }

int RandomIndexOf(int n, int r) {
    const std::int64_t p = static_cast<std::int64_t>(n) * r;  // no overflow for any n
    const int b = static_cast<int>(std::floor(static_cast<double>(p) * (1.0 / 32767.0)));
    return b == n ? n - 1 : b;
}

int RandomIndex(int n) { return RandomIndexOf(n, RandomDraw()); }

double Floor(float x) { return std::floor(static_cast<double>(x)); }

void ShowMessage(const char* message, const char* detail) {
    char text[MessageCapacity];
    std::snprintf(text, sizeof text, "%s %s The application will continue.", message, detail);
    platform::ShowMessageBox(text, "ERROR", platform::MessageIcon::Information, false);
}
