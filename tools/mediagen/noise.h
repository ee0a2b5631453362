#pragma once
// Noise on integer lattices that wrap around, so that anything sampled over
// one period tiles without a seam. Coordinates u, v are in periods: the
// range [0, 1) covers one tile.

#include <cstdint>

std::uint32_t hashCell(int x, int y, std::uint32_t seed);

// Gradient noise, roughly in [-1, 1]; zero on every lattice point.
float gradientNoise(float u, float v, int period, std::uint32_t seed);

struct Octaves {
    int basePeriod;  // lattice cells per tile in the coarsest octave
    int count;       // each further octave doubles the cells and scales by gain
    float gain;
};

// Sum of gradient noise octaves, scaled back into roughly [-1, 1].
float fractalNoise(float u, float v, const Octaves& octaves, std::uint32_t seed);

// Distances to the nearest and second nearest of one random point per cell,
// in cell units; their difference is small along the borders between cells.
struct CellDistances {
    float nearest;
    float second;
};
CellDistances cellularNoise(float u, float v, int cells, std::uint32_t seed);
