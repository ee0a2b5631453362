#include "noise.h"

#include <cmath>

namespace {

int wrap(int value, int period) {
    const int r = value % period;
    return r < 0 ? r + period : r;
}

float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

float lerp(float a, float b, float t) { return a + (b - a) * t; }

float unitFromHash(std::uint32_t h) { return static_cast<float>(h >> 8) * (1.0f / 16777216.0f); }

// A fixed set of directions keeps the result independent of the maths library.
constexpr float Diagonal = 0.70710678f;
constexpr float Gradients[8][2] = {{1, 0},
                                   {-1, 0},
                                   {0, 1},
                                   {0, -1},
                                   {Diagonal, Diagonal},
                                   {-Diagonal, Diagonal},
                                   {Diagonal, -Diagonal},
                                   {-Diagonal, -Diagonal}};

float cornerGradient(int x, int y, int period, std::uint32_t seed, float dx, float dy) {
    const float* g = Gradients[hashCell(wrap(x, period), wrap(y, period), seed) & 7];
    return g[0] * dx + g[1] * dy;
}

}  // namespace

std::uint32_t hashCell(int x, int y, std::uint32_t seed) {
    std::uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float gradientNoise(float u, float v, int period, std::uint32_t seed) {
    const float x = u * static_cast<float>(period);
    const float y = v * static_cast<float>(period);
    const int x0 = static_cast<int>(std::floor(x));
    const int y0 = static_cast<int>(std::floor(y));
    const float fx = x - static_cast<float>(x0);
    const float fy = y - static_cast<float>(y0);
    const float n00 = cornerGradient(x0, y0, period, seed, fx, fy);
    const float n10 = cornerGradient(x0 + 1, y0, period, seed, fx - 1, fy);
    const float n01 = cornerGradient(x0, y0 + 1, period, seed, fx, fy - 1);
    const float n11 = cornerGradient(x0 + 1, y0 + 1, period, seed, fx - 1, fy - 1);
    const float tx = fade(fx);
    // Two-dimensional gradient noise peaks near +-0.7; scale it to about +-1.
    return 1.4142f * lerp(lerp(n00, n10, tx), lerp(n01, n11, tx), fade(fy));
}

float fractalNoise(float u, float v, const Octaves& octaves, std::uint32_t seed) {
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    int period = octaves.basePeriod;
    for (int i = 0; i < octaves.count; ++i) {
        sum += amplitude * gradientNoise(u, v, period, seed + static_cast<std::uint32_t>(i) * 101u);
        total += amplitude;
        amplitude *= octaves.gain;
        period *= 2;
    }
    return sum / total;
}

CellDistances cellularNoise(float u, float v, int cells, std::uint32_t seed) {
    const float x = u * static_cast<float>(cells);
    const float y = v * static_cast<float>(cells);
    const int cx = static_cast<int>(std::floor(x));
    const int cy = static_cast<int>(std::floor(y));
    CellDistances d{1e9f, 1e9f};
    for (int j = cy - 1; j <= cy + 1; ++j)
        for (int i = cx - 1; i <= cx + 1; ++i) {
            // The point belongs to the wrapped cell but sits beside this one, so distances stay true.
            const int wi = wrap(i, cells);
            const int wj = wrap(j, cells);
            const float px = static_cast<float>(i) + 0.1f + 0.8f * unitFromHash(hashCell(wi, wj, seed));
            const float py =
                static_cast<float>(j) + 0.1f + 0.8f * unitFromHash(hashCell(wi, wj, seed ^ 0x5BD1E995u));
            const float dist = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
            if (dist < d.nearest) {
                d.second = d.nearest;
                d.nearest = dist;
            } else if (dist < d.second) {
                d.second = dist;
            }
        }
    return d;
}
