// The throwing stone: a lumpy, chipped pebble with flat-shaded facets.

#include <array>
#include <cmath>
#include <map>

#include "models.h"
#include "rock_texture.h"
#include "shading.h"
#include "texture_paint.h"

namespace {

constexpr int TextureSize = 128;
constexpr std::uint32_t Seed = 77;

float valueNoise(Vec3 p, std::uint32_t seed) {
    const int x0 = static_cast<int>(std::floor(p.x));
    const int y0 = static_cast<int>(std::floor(p.y));
    const int z0 = static_cast<int>(std::floor(p.z));
    auto corner = [&](int dx, int dy, int dz) {
        return unitHash(x0 + dx, y0 + dy, seed + static_cast<std::uint32_t>(z0 + dz) * 7919u) * 2.0f - 1.0f;
    };
    const float fx = smoothStep(0.0f, 1.0f, p.x - static_cast<float>(x0));
    const float fy = smoothStep(0.0f, 1.0f, p.y - static_cast<float>(y0));
    const float fz = smoothStep(0.0f, 1.0f, p.z - static_cast<float>(z0));
    auto mix = [](float a, float b, float t) { return a + (b - a) * t; };
    const float x00 = mix(corner(0, 0, 0), corner(1, 0, 0), fx);
    const float x10 = mix(corner(0, 1, 0), corner(1, 1, 0), fx);
    const float x01 = mix(corner(0, 0, 1), corner(1, 0, 1), fx);
    const float x11 = mix(corner(0, 1, 1), corner(1, 1, 1), fx);
    return mix(mix(x00, x10, fy), mix(x01, x11, fy), fz);
}

// Distance from the centre to the surface in direction d (unit length).
float stoneRadius(Vec3 d) {
    const Vec3 radii{0.185f, 0.135f, 0.16f};
    const float base =
        1.0f / std::sqrt((d.x * d.x) / (radii.x * radii.x) + (d.y * d.y) / (radii.y * radii.y) +
                         (d.z * d.z) / (radii.z * radii.z));
    const float lumps = 0.16f * valueNoise(d * 1.8f + Vec3{3.1f, 1.7f, 5.3f}, Seed) +
                        0.06f * valueNoise(d * 4.5f + Vec3{0.4f, 7.2f, 2.9f}, Seed + 1);
    float r = base * (1.0f + lumps);
    // A few flat breaks where the stone was chipped.
    const std::array<Vec3, 5> chips = {Vec3{0.8f, 0.5f, 0.3f}, Vec3{-0.6f, 0.2f, -0.75f},
                                       Vec3{0.1f, -1.0f, 0.2f}, Vec3{-0.5f, 0.7f, 0.6f},
                                       Vec3{0.4f, -0.3f, -0.9f}};
    const std::array<float, 5> depth = {0.135f, 0.14f, 0.11f, 0.13f, 0.145f};
    for (std::size_t k = 0; k < chips.size(); ++k) {
        const float facing = dotOf(d, normalised(chips[k]));
        if (facing > 0.05f) r = std::min(r, depth[k] / facing);
    }
    return r;
}

struct Icosphere {
    std::vector<Vec3> points;
    std::vector<std::array<int, 3>> faces;
};

Icosphere makeIcosphere(int subdivisions) {
    const float t = (1.0f + std::sqrt(5.0f)) / 2.0f;
    Icosphere s;
    for (Vec3 p :
         {Vec3{-1, t, 0}, Vec3{1, t, 0}, Vec3{-1, -t, 0}, Vec3{1, -t, 0}, Vec3{0, -1, t}, Vec3{0, 1, t},
          Vec3{0, -1, -t}, Vec3{0, 1, -t}, Vec3{t, 0, -1}, Vec3{t, 0, 1}, Vec3{-t, 0, -1}, Vec3{-t, 0, 1}})
        s.points.push_back(normalised(p));
    s.faces = {{0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
               {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
               {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
    for (int level = 0; level < subdivisions; ++level) {
        std::map<std::pair<int, int>, int> middle;
        auto midpoint = [&](int a, int b) {
            const std::pair<int, int> key{std::min(a, b), std::max(a, b)};
            const auto found = middle.find(key);
            if (found != middle.end()) return found->second;
            s.points.push_back(normalised(s.points[a] + s.points[b]));
            const int index = static_cast<int>(s.points.size() - 1);
            middle[key] = index;
            return index;
        };
        std::vector<std::array<int, 3>> finer;
        for (const auto& f : s.faces) {
            const int ab = midpoint(f[0], f[1]), bc = midpoint(f[1], f[2]), ca = midpoint(f[2], f[0]);
            finer.push_back({f[0], ab, ca});
            finer.push_back({f[1], bc, ab});
            finer.push_back({f[2], ca, bc});
            finer.push_back({ab, bc, ca});
        }
        s.faces = finer;
    }
    return s;
}

// Texture coordinates projected along the facet's main axis.
Vec2 facetUv(Vec3 p, Vec3 n) {
    constexpr float Scale = 2.2f;
    const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    if (ay >= ax && ay >= az) return {0.5f + p.x * Scale, 0.5f + p.z * Scale};
    if (ax >= az) return {0.5f + p.z * Scale, 0.5f - p.y * Scale};
    return {0.5f + p.x * Scale, 0.5f - p.y * Scale};
}

}  // namespace

A3fModel makeRockModel() {
    A3fModel model;
    model.comment = "rock: a chipped pebble for throwing";
    const Icosphere sphere = makeIcosphere(2);
    std::vector<Vec3> surface;
    for (const Vec3& d : sphere.points) surface.push_back(d * stoneRadius(d));
    Mesh& mesh = model.mesh;
    for (const auto& f : sphere.faces) {
        const Vec3 a = surface[f[0]], b = surface[f[1]], c = surface[f[2]];
        Vec3 n = normalised(crossOf(b - a, c - a));
        if (dotOf(n, a + b + c) < 0.0f) n = -n;
        std::uint32_t corner[3];
        for (int k = 0; k < 3; ++k) {
            const Vec3 p = surface[f[k]];
            const Vec2 uv = facetUv(p, n);
            corner[k] = mesh.addVertex({p, n, uv.x, uv.y});
        }
        mesh.addTriangle(corner[0], corner[1], corner[2], 0);
    }
    shadeModel(model, {{"stone", {1.0f, 1.0f, 1.0f, 1.0f}, 5, true, "NONE", 4, 0.05f}}, RockTextureFile);
    return model;
}

RgbImage makeRockModelTexture() {
    // The cave's own stone, a little lighter and warmer so that a pebble
    // stands out against the wall behind it.
    RgbImage image = renderRock(TextureSize, TextureSize, TextureSize);
    for (int y = 0; y < TextureSize; ++y)
        for (int x = 0; x < TextureSize; ++x) {
            const std::uint8_t* p = image.at(x, y);
            image.set(
                x, y,
                {colourByte(p[0] * 1.3f + 14.0f), colourByte(p[1] * 1.25f + 8.0f), colourByte(p[2] * 1.12f)});
        }
    return image;
}
