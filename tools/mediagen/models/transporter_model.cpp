// The transporter: a column of streaming light over a ring of glowing signs,
// drawn blended. Its texture's brightness is its opacity (ILLUMINANCE), so
// the dark parts of the picture vanish and the light streaks stay.

#include <cmath>

#include "models.h"
#include "shading.h"
#include "texture_paint.h"

namespace {

constexpr int TextureWidth = 128;
constexpr int TextureHeight = 256;
constexpr int StreakRows = 192;

// Drawn in this order, so that the far side of each shell is laid down
// before anything in front of it is blended over it.
enum Part { FloorRing, FarShell, CoreBack, CoreFront, NearShell, Crowns };

constexpr float ShellRadius = 0.95f;
constexpr float CoreRadius = 0.42f;
constexpr float ColumnTop = 3.0f;
constexpr float FloorLift = 0.02f;  // clear of the cave floor

const UvRect Streaks = pixelRect(TextureWidth, TextureHeight, 0, 0, 128, StreakRows);
const UvRect Signs = pixelRect(TextureWidth, TextureHeight, 0, StreakRows, 128, 256);
const UvRect Glow = pixelRect(TextureWidth, TextureHeight, 0, 172, 128, 190);

const Frame Upright;

void addShell(Mesh& mesh, float radius, float y0, float y1, int outside, int inside, const UvRect& uv) {
    const std::size_t firstVertex = mesh.vertices.size();
    const std::size_t firstTriangle = mesh.triangles.size();
    addLathe(mesh, makeProfile({{radius, y0}, {radius, y1}}, false), 24, Upright, {1, 1}, outside, uv);
    mesh.addBackFaces(firstVertex, firstTriangle, inside);
}

void addRing(Mesh& mesh, float height, float radius, float thickness, int part) {
    std::vector<Vec2> circle;
    for (int i = 0; i < 8; ++i) {
        const float a = -0.5f * Pi + 2.0f * Pi * static_cast<float>(i) / 8.0f;
        circle.push_back({radius + thickness * std::cos(a), height + thickness * std::sin(a)});
    }
    addLathe(mesh, makeProfile(circle, true), 32, Upright, {1, 1}, part, Glow);
}

// Thin upright lines of light at fixed places round the column; periodic
// across the picture so that the column has no seam.
float streakAt(int x, int y) {
    float light = 0.0f;
    for (int k = 0; k < 14; ++k) {
        const float centre = 128.0f * unitHash(k, 0, 301);
        const float width = 1.0f + 3.0f * unitHash(k, 1, 301);
        float d = std::fabs(static_cast<float>(x) + 0.5f - centre);
        d = std::min(d, 128.0f - d);
        const float line = std::max(0.0f, 1.0f - d / width);
        // Each line flows in dashes of its own length.
        const float dash =
            0.55f + 0.45f * std::sin((static_cast<float>(y) / (10.0f + 14.0f * unitHash(k, 2, 301)) +
                                      6.0f * unitHash(k, 3, 301)) *
                                     Pi);
        light = std::max(light, line * dash);
    }
    return light;
}

RgbColour streakColour(int x, int y) {
    const float rise =
        1.0f - static_cast<float>(y) / static_cast<float>(StreakRows - 1);  // 0 bottom .. 1 top
    // Fading upward, with a glow again under the crown ring at the top.
    const float fade = std::max(std::pow(1.0f - rise, 0.8f), 0.7f * smoothStep(0.8f, 1.0f, rise));
    const float haze = 0.26f + 0.12f * fractalNoise(static_cast<float>(x) / 128.0f,
                                                    static_cast<float>(y) / 192.0f, {4, 3, 0.5f}, 303);
    const float base = smoothStep(0.8f, 1.0f, 1.0f - rise);  // a bright band where it meets the floor
    const float light = std::clamp((streakAt(x, y) + haze + base) * fade, 0.0f, 1.0f);
    return mixColour({0, 0, 0}, light > 0.75f ? RgbColour{235, 250, 255} : RgbColour{110, 215, 255},
                     light > 0.75f ? 1.0f : light / 0.75f);
}

RgbColour signColour(int x, int y) {
    const int row = y - StreakRows;                          // 0 at the centre of the disc
    const float t = 1.0f - static_cast<float>(row) / 63.0f;  // 0 at the rim, 1 at the centre
    const RgbColour bright{150, 230, 255};
    if (t < 0.06f) return bright;
    if (t > 0.26f && t < 0.3f) return bright;
    if (t >= 0.08f && t <= 0.24f) {
        // Sixteen signs round the ring, each a little pattern of blocks.
        const int sign = x / 8;
        const int cx = (x % 8) / 2;
        const int cy = static_cast<int>((t - 0.08f) / 0.16f * 4.0f);
        if ((x % 8) != 7 && cy < 4 && unitHash(sign * 4 + cx, cy, 307) > 0.45f)
            return scaleColour(bright, 0.9f);
        return {0, 0, 0};
    }
    const float glow = t > 0.3f ? 0.15f + 0.6f * smoothStep(0.3f, 1.0f, t) : 0.0f;
    return mixColour({0, 0, 0}, {110, 200, 250}, glow);
}

}  // namespace

A3fModel makeTransporterModel() {
    A3fModel model;
    model.comment = "transporter: translucent column of light over a ring of signs";
    Mesh& mesh = model.mesh;
    addLathe(mesh, makeProfile({{1.15f, FloorLift}, {0.0f, FloorLift}}, false), 32, Upright, {1, 1},
             FloorRing, Signs);
    addShell(mesh, ShellRadius, FloorLift, ColumnTop, NearShell, FarShell, Streaks);
    addShell(mesh, CoreRadius, FloorLift, ColumnTop * 0.8f, CoreFront, CoreBack, Streaks);
    addRing(mesh, 0.07f, ShellRadius, 0.05f, Crowns);
    addRing(mesh, ColumnTop, ShellRadius, 0.05f, Crowns);

    // The first material loads the picture with ILLUMINANCE; the others name
    // it again (the game keeps the first load) and give a number as their
    // alpha, which turns blending on for them without touching the picture.
    const std::string more = "0.75";
    shadeModel(model,
               {{"signs", {0.7f, 0.95f, 1.0f, 0.9f}, 1, true, "ILLUMINANCE", 0, 0.0f},
                {"far_light", {0.55f, 0.85f, 1.0f, 0.5f}, 1, true, more, 0, 0.0f},
                {"core_back", {0.8f, 0.95f, 1.0f, 0.6f}, 1, true, more, 0, 0.0f},
                {"core_front", {0.8f, 0.95f, 1.0f, 0.6f}, 1, true, more, 0, 0.0f},
                {"near_light", {0.55f, 0.85f, 1.0f, 0.5f}, 1, true, more, 0, 0.0f},
                {"crowns", {0.7f, 0.95f, 1.0f, 0.9f}, 1, true, more, 0, 0.0f}},
               TransporterTextureFile);
    return model;
}

RgbImage makeTransporterTexture() {
    RgbImage image(TextureWidth, TextureHeight);
    for (int y = 0; y < TextureHeight; ++y)
        for (int x = 0; x < TextureWidth; ++x)
            image.set(x, y, y < StreakRows ? streakColour(x, y) : signColour(x, y));
    return image;
}
