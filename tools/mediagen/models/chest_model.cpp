// The treasure chest: a plank box with a rounded lid, two iron bands, iron
// corners and a brass lock on the front.

#include <cmath>

#include "models.h"
#include "noise.h"
#include "shading.h"
#include "texture_paint.h"

namespace {

constexpr int TextureSize = 256;
enum Part { Wood, Iron, Brass };

constexpr float HalfWidth = 0.5f;   // x
constexpr float HalfDepth = 0.32f;  // z
constexpr float BodyHeight = 0.46f;
constexpr float LidHalfDepth = 0.33f;
constexpr float LidRise = 0.24f;
constexpr float LidHalfWidth = 0.51f;

// Texture layout.
const UvRect PlanksAcross = pixelRect(TextureSize, 0, 0, 256, 128);  // boards run left to right
const UvRect PlanksUp = pixelRect(TextureSize, 0, 128, 128, 256);    // boards run top to bottom
const UvRect IronStrip = pixelRect(TextureSize, 128, 128, 256, 192);
const UvRect LockPlate = pixelRect(TextureSize, 128, 192, 192, 256);
const UvRect BrassPlain = pixelRect(TextureSize, 196, 196, 252, 252);

// The lid's cross-section in the (−z, y) plane: a half ellipse over the body.
std::vector<Vec2> lidArc(float halfDepth, float rise, int steps) {
    std::vector<Vec2> points;
    for (int i = 0; i <= steps; ++i) {
        const float a = Pi * static_cast<float>(i) / static_cast<float>(steps);
        points.push_back({halfDepth * std::cos(a), rise * std::sin(a)});
    }
    return points;
}

Frame lidFrame() {
    // Pushed along +x; the outline's first coordinate is −z.
    return frameAlong({0, BodyHeight, 0}, {0, 1, 0}, {1, 0, 0});
}

void addBody(Mesh& mesh) {
    const Frame world;
    BoxUv planks = sameOnAllFaces(PlanksAcross);
    addBox(mesh, {-HalfWidth, 0, -HalfDepth}, {HalfWidth, BodyHeight, HalfDepth}, world, Wood, planks);

    std::vector<Vec2> outline = {{-LidHalfDepth, 0}, {LidHalfDepth, 0}};
    for (const Vec2& p : lidArc(LidHalfDepth, LidRise, 16)) outline.push_back(p);
    outline.pop_back();  // the arc ends where the outline started
    outline.push_back({-LidHalfDepth, 0});
    addExtrusion(mesh, makeProfile(outline, true), -LidHalfWidth, LidHalfWidth, lidFrame(), Wood, PlanksUp,
                 PlanksAcross);
}

void addIronwork(Mesh& mesh) {
    const Frame world;
    constexpr float BandHalf = 0.04f;
    constexpr float Proud = 0.012f;  // how far the iron stands off the wood
    const Profile arc = makeProfile(lidArc(LidHalfDepth, LidRise, 16), false);
    for (float x : {-0.3f, 0.3f}) {
        BoxUv band = sameOnAllFaces(IronStrip.turn());
        band.faces[2] = band.faces[3] = IronStrip;
        addBox(mesh, {x - BandHalf, 0.0f, -HalfDepth - Proud}, {x + BandHalf, BodyHeight, HalfDepth + Proud},
               world, Iron, band);
        addCurvedStrip(mesh, arc, Proud, x - BandHalf, x + BandHalf, lidFrame(), Iron, IronStrip);
    }
    // Corner guards on the four upright edges.
    constexpr float Guard = 0.06f;
    for (float sx : {-1.0f, 1.0f})
        for (float sz : {-1.0f, 1.0f}) {
            const Vec3 corner{sx * HalfWidth, 0.0f, sz * HalfDepth};
            const Vec3 a{corner.x - sx * Guard, 0.0f, corner.z - sz * Guard};
            const Vec3 b{corner.x + sx * Proud, BodyHeight - 0.01f, corner.z + sz * Proud};
            addBox(mesh, {std::min(a.x, b.x), a.y, std::min(a.z, b.z)},
                   {std::max(a.x, b.x), b.y, std::max(a.z, b.z)}, world, Iron,
                   sameOnAllFaces(IronStrip.turn()));
        }
    // A rim of iron along the bottom of the lid.
    addBox(mesh, {-LidHalfWidth - 0.005f, BodyHeight - 0.005f, -LidHalfDepth - 0.004f},
           {LidHalfWidth + 0.005f, BodyHeight + 0.035f, LidHalfDepth + 0.004f}, world, Iron,
           sameOnAllFaces(IronStrip));
}

void addLock(Mesh& mesh) {
    const Frame world;
    BoxUv plate = sameOnAllFaces(BrassPlain);
    plate.faces[5] = LockPlate;
    addBox(mesh, {-0.075f, 0.26f, HalfDepth}, {0.075f, 0.43f, HalfDepth + 0.03f}, world, Brass, plate);
    // The hasp coming down from the lid over the top of the plate.
    addBox(mesh, {-0.035f, 0.40f, HalfDepth + 0.02f}, {0.035f, 0.52f, HalfDepth + 0.045f}, world, Brass,
           sameOnAllFaces(BrassPlain));
}

float woodGrain(float along, float across, std::uint32_t seed) {
    const float warp = 0.6f * fractalNoise(along * 0.5f, across * 0.5f, {2, 3, 0.5f}, seed);
    const float rings = 0.5f + 0.5f * std::sin((across * 22.0f + warp * 3.0f) * Pi);
    const float fibre = fractalNoise(along * 0.25f, across * 4.0f, {8, 3, 0.5f}, seed + 7);
    return 0.55f * rings * rings + 0.25f * fibre;
}

// Boards of wood; `along` runs with the grain, `across` across the boards,
// both in pixels of a board region `boards` boards wide.
RgbColour plankColour(int along, int across, int boardPixels, std::uint32_t seed) {
    const int board = across / boardPixels;
    const int inBoard = across % boardPixels;
    const float tone = 0.85f + 0.3f * unitHash(board, 0, seed);
    const float g =
        woodGrain(static_cast<float>(along) / 256.0f,
                  static_cast<float>(across) / static_cast<float>(boardPixels) + 0.37f * board, seed);
    RgbColour c = mixColour({150, 96, 52}, {92, 54, 28}, std::clamp(g, 0.0f, 1.0f));
    c = scaleColour(c, tone);
    const int edge = std::min(inBoard, boardPixels - 1 - inBoard);
    if (edge == 0)
        c = scaleColour(c, 0.35f);
    else if (edge == 1)
        c = scaleColour(c, 0.7f);
    // Nail heads near each end of a board.
    for (int end : {10, 246}) {
        const float d =
            std::hypot(static_cast<float>(along - end), static_cast<float>(inBoard - boardPixels / 2));
        if (d < 3.5f) c = d < 2.0f ? RgbColour{70, 66, 60} : RgbColour{40, 36, 32};
    }
    return c;
}

}  // namespace

A3fModel makeChestModel() {
    A3fModel model;
    model.comment = "chest: plank box with rounded lid, iron bands and a brass lock";
    addBody(model.mesh);
    addIronwork(model.mesh);
    addLock(model.mesh);
    shadeModel(model,
               {{"wood", {1.0f, 1.0f, 1.0f, 1.0f}, 4, true, "NONE", 6, 0.05f},
                {"iron", {1.0f, 1.0f, 1.0f, 1.0f}, 4, true, "NONE", 40, 0.5f},
                {"brass", {1.0f, 1.0f, 1.0f, 1.0f}, 3, true, "NONE", 60, 0.7f}},
               ChestTextureFile);
    return model;
}

RgbImage makeChestTexture() {
    RgbImage image(TextureSize, TextureSize);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 256; ++x) image.set(x, y, plankColour(x, y, 32, 5));
    for (int y = 128; y < 256; ++y)
        for (int x = 0; x < 128; ++x) image.set(x, y, plankColour(y - 128, x, 32, 9));

    // Iron: dark, mottled with rust, a row of rivets down the middle.
    for (int y = 128; y < 192; ++y)
        for (int x = 128; x < 256; ++x) {
            const float u = static_cast<float>(x) / 256.0f, v = static_cast<float>(y) / 256.0f;
            const float n = fractalNoise(u, v, {8, 4, 0.5f}, 21);
            const float rust = smoothStep(0.25f, 0.6f, fractalNoise(u, v, {4, 3, 0.5f}, 22));
            RgbColour c = mixColour({78, 78, 84}, {104, 62, 36}, rust * 0.7f);
            c = scaleColour(c, 0.9f + 0.25f * n);
            const int edge = std::min(y - 128, 191 - y);
            if (edge < 3) c = scaleColour(c, 0.55f + 0.15f * static_cast<float>(edge));
            const float rivet =
                std::hypot(static_cast<float>((x - 128) % 32 - 16), static_cast<float>(y - 160));
            if (rivet < 7.0f) c = shadeDome({120, 118, 116}, rivet / 7.0f);
            image.set(x, y, c);
        }

    // Brass: a lock plate with a keyhole, and plain brass.
    for (int y = 192; y < 256; ++y)
        for (int x = 128; x < 256; ++x) {
            const float u = static_cast<float>(x) / 256.0f, v = static_cast<float>(y) / 256.0f;
            RgbColour c = scaleColour({206, 164, 70}, 0.85f + 0.2f * fractalNoise(u, v, {16, 2, 0.5f}, 31));
            if (x < 192) {
                const int px = x - 128, py = y - 192;
                const int edge = std::min({px, py, 63 - px, 63 - py});
                if (edge < 4) c = scaleColour(c, edge < 2 ? 0.55f : 1.2f);
                const float hole = std::hypot(static_cast<float>(px) - 31.5f, static_cast<float>(py) - 24.0f);
                const bool slot =
                    py >= 24 && py <= 44 &&
                    std::fabs(static_cast<float>(px) - 31.5f) < 2.5f + 0.12f * static_cast<float>(py - 24);
                if (hole < 7.0f || slot) c = {18, 12, 6};
                for (int sx : {8, 55})
                    for (int sy : {8, 55})
                        if (std::hypot(static_cast<float>(px - sx), static_cast<float>(py - sy)) < 3.0f)
                            c = {120, 90, 40};
            }
            image.set(x, y, c);
        }
    return image;
}
