#include "rock_texture.h"

#include <algorithm>
#include <cmath>

#include "noise.h"

namespace {

constexpr int Layers = 7;  // bedding layers per tile; whole, so they tile vertically

struct RockPoint {
    float height;  // relief, roughly [-1, 1]
    float tone;    // brightness offset of the bedding layer
    float tint;    // 0 grey stone .. 1 brown stone
    float crack;   // 0 none .. 1 deep in a crack
};

float smoothStep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

RockPoint rockAt(float u, float v) {
    const float wu = u + 0.035f * fractalNoise(u, v, {4, 4, 0.5f}, 11);
    const float wv = v + 0.035f * fractalNoise(u, v, {4, 4, 0.5f}, 12);

    // Terraces on the big lumps give the ledges and flat faces of broken stone.
    const float lumps = fractalNoise(wu, wv, {3, 6, 0.5f}, 21);
    const float steps = (lumps + 1.0f) * 3.0f;
    const float ledge = std::floor(steps);
    const float terraced = (ledge + smoothStep(0.65f, 1.0f, steps - ledge)) / 3.0f - 1.0f;
    const float grit = fractalNoise(wu, wv, {32, 3, 0.5f}, 22);

    const float layerPos = wv * Layers + 0.5f * fractalNoise(u, v, {2, 3, 0.5f}, 31);
    const float layer = std::floor(layerPos);
    const int layerIndex = ((static_cast<int>(layer) % Layers) + Layers) % Layers;
    const float layerTone = static_cast<float>(hashCell(layerIndex, 0, 32) >> 8) / 16777216.0f * 2.0f - 1.0f;
    const float inLayer = layerPos - layer;
    const float beddingBreak = smoothStep(-0.1f, 0.25f, fractalNoise(wu, wv, {8, 2, 0.5f}, 33));
    const float bedding = (1.0f - smoothStep(0.0f, 0.05f, std::min(inLayer, 1.0f - inLayer))) * beddingBreak;

    const float cu = u + 0.05f * fractalNoise(u, v, {8, 3, 0.5f}, 41);
    const float cv = v + 0.05f * fractalNoise(u, v, {8, 3, 0.5f}, 42);
    const CellDistances cells = cellularNoise(cu, cv, 4, 43);
    const float crackOpen = smoothStep(0.0f, 0.3f, fractalNoise(u, v, {4, 3, 0.5f}, 44));
    const float crack = (1.0f - smoothStep(0.0f, 0.045f, cells.second - cells.nearest)) * crackOpen;

    RockPoint p;
    p.height = 0.35f * lumps + 0.45f * terraced + 0.07f * grit - 0.4f * crack - 0.2f * bedding;
    p.tone = 0.12f * layerTone;
    p.tint = std::clamp(0.35f + 0.5f * fractalNoise(u, v, {2, 3, 0.5f}, 51) + 0.2f * layerTone, 0.0f, 1.0f);
    p.crack = std::max(crack, 0.55f * bedding);
    return p;
}

std::uint8_t toByte(float value) { return static_cast<std::uint8_t>(std::clamp(value, 0.0f, 255.0f) + 0.5f); }

std::uint8_t addGrain(std::uint8_t value, int grain) {
    return static_cast<std::uint8_t>(std::clamp(value + grain, 0, 255));
}

}  // namespace

RgbColour rockColourAt(float u, float v, float step) {
    // Grey and brown stone; the crack colour is what shows in deep shadow.
    constexpr float Grey[3] = {124, 120, 114};
    constexpr float Brown[3] = {122, 100, 78};
    constexpr float CrackColour[3] = {28, 24, 20};
    const RockPoint p = rockAt(u, v);
    // Relief lit from the upper left; periodic heights keep the differences seamless.
    const float dx = rockAt(u + step, v).height - p.height;
    const float dy = rockAt(u, v + step).height - p.height;
    const float light = std::clamp(1.0f - 14.0f * (dx + dy), 0.45f, 1.6f);
    const float brightness = (0.8f + 0.3f * p.height + p.tone) * light;
    std::uint8_t out[3];
    for (int c = 0; c < 3; ++c) {
        const float stone = (Grey[c] + (Brown[c] - Grey[c]) * p.tint) * brightness;
        out[c] = toByte(stone + (CrackColour[c] - stone) * p.crack);
    }
    return {out[0], out[1], out[2]};
}

RgbImage renderRock(int width, int height, int tilePixels) {
    RgbImage image(width, height);
    const float step = 1.0f / static_cast<float>(tilePixels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            RgbColour c = rockColourAt(static_cast<float>(x) * step, static_cast<float>(y) * step, step);
            // Fine speckle from a hash of the wrapped pixel keeps the grain sharp.
            const int grain = static_cast<int>(hashCell(x % tilePixels, y % tilePixels, 61) % 17u) - 8;
            image.set(x, y, {addGrain(c.red, grain), addGrain(c.green, grain), addGrain(c.blue, grain)});
        }
    return image;
}
