// The hand-held monster detector: a rounded case with a round dial window on
// top, a small readout screen, two buttons and an antenna; and its dial, a
// needle over a glowing sweep, turning about the case's own y axis.

#include <cmath>

#include "models.h"
#include "shading.h"
#include "texture_paint.h"

namespace {

constexpr int TextureSize = 128;
constexpr int DialWidth = 128;
constexpr int DialHeight = 64;

enum DetectorPart { Case, Metal, Face, Screen, RedKnob, GreenKnob };
enum DialPart { Sweep, NeedleTip, NeedleTail, Hub };

// The case; +z is the end nearest the player when it is carried.
constexpr float CaseHalfWidth = 0.15f;
constexpr float CaseHeight = 0.2f;
constexpr float CaseBack = -0.2f;
constexpr float CaseFront = 0.24f;
constexpr float CaseCorner = 0.035f;
constexpr float WindowRadius = 0.11f;
constexpr float HousingRadius = 0.125f;
constexpr float FaceHeight = 0.238f;
constexpr float BezelTop = 0.245f;

const UvRect CaseSkin = pixelRect(TextureSize, 0, 0, 64, 64);
const UvRect MetalSkin = pixelRect(TextureSize, 64, 0, 128, 64);
const UvRect DialFace = pixelRect(TextureSize, 0, 64, 64, 128);
const UvRect ScreenSkin = pixelRect(TextureSize, 64, 64, 128, 96);
const UvRect RedSkin = pixelRect(TextureSize, 68, 100, 92, 124);
const UvRect GreenSkin = pixelRect(TextureSize, 100, 100, 124, 124);

const UvRect SweepCard = pixelRect(DialWidth, DialHeight, 0, 0, 64, 64);
const UvRect RedPaint = pixelRect(DialWidth, DialHeight, 68, 4, 92, 28);
const UvRect WhitePaint = pixelRect(DialWidth, DialHeight, 100, 4, 124, 28);
const UvRect HubPaint = pixelRect(DialWidth, DialHeight, 68, 36, 92, 60);

const Frame Upright;  // the model's own axes

// A rounded rectangle, counter-clockwise, its corners of radius r.
std::vector<Vec2> roundedRectangle(float x0, float y0, float x1, float y1, float r, int steps) {
    std::vector<Vec2> points;
    const Vec2 centres[4] = {{x1 - r, y0 + r}, {x1 - r, y1 - r}, {x0 + r, y1 - r}, {x0 + r, y0 + r}};
    for (int c = 0; c < 4; ++c) {
        for (int i = 0; i <= steps; ++i) {
            const float a = -0.5f * Pi + 0.5f * Pi * static_cast<float>(c) +
                            0.5f * Pi * static_cast<float>(i) / static_cast<float>(steps);
            points.push_back({centres[c].x + r * std::cos(a), centres[c].y + r * std::sin(a)});
        }
    }
    return points;
}

// A flat disc facing up, its texture laid flat over `uv`.
void addDisc(Mesh& mesh, float radius, float height, int segments, int part, const UvRect& uv) {
    const std::size_t first = mesh.vertices.size();
    addLathe(mesh, makeProfile({{radius, height}, {0.0f, height}}, false), segments, Upright, {1, 1}, part,
             uv);
    for (std::size_t i = first; i < mesh.vertices.size(); ++i) {
        MeshVertex& v = mesh.vertices[i];
        // Seen from above with -z at the top of the picture.
        const Vec2 st = uv.at(0.5f + 0.5f * v.position.x / radius, 0.5f - 0.5f * v.position.z / radius);
        v.u = st.x;
        v.v = st.y;
    }
}

// An upright cylinder with a flat top, standing at (x, z).
void addPost(Mesh& mesh, float x, float z, float radius, float y0, float y1, int part, const UvRect& uv) {
    const Frame at = frameAlong({x, 0, z}, {0, 1, 0}, {0, 0, 1});
    addLathe(mesh, makeProfile({{radius, y0}, {radius, y1}, {radius, y1}, {0.0f, y1}}, false), 12, at, {1, 1},
             part, uv);
}

// A prism of the given outline (counter-clockwise, seen from above, in the
// plane of x and -z), `height` tall from y.
void addFlatPrism(Mesh& mesh, const std::vector<Vec2>& outline, float y, float height, int part,
                  const UvRect& uv) {
    std::vector<Vec2> creased;
    for (const Vec2& p : outline) {
        creased.push_back(p);
        creased.push_back(p);
    }
    const Frame flat = frameAlong({0, y, 0}, {0, 0, -1}, {0, 1, 0});
    addExtrusion(mesh, makeProfile(creased, true), 0.0f, height, flat, part, uv, uv);
}

RgbColour caseColour(int x, int y) {
    const float u = static_cast<float>(x) / 64.0f, v = static_cast<float>(y) / 64.0f;
    RgbColour c = scaleColour({104, 108, 74}, 0.9f + 0.18f * fractalNoise(u, v, {8, 3, 0.5f}, 41));
    const int edge = std::min({x, y, 63 - x, 63 - y});
    if (edge == 2) c = scaleColour(c, 0.6f);
    for (int sx : {6, 57})
        for (int sy : {6, 57}) {
            const float d = std::hypot(static_cast<float>(x - sx), static_cast<float>(y - sy));
            if (d < 3.0f) c = shadeDome({150, 150, 150}, d / 3.0f);
        }
    return c;
}

RgbColour metalColour(int x, int y) {
    const float streak =
        fractalNoise(static_cast<float>(x) / 256.0f, static_cast<float>(y) / 16.0f, {4, 3, 0.5f}, 43);
    return scaleColour({158, 160, 166}, 0.85f + 0.15f * streak + 0.15f * static_cast<float>(63 - y) / 63.0f);
}

RgbColour dialFaceColour(int x, int y) {
    const float dx = (static_cast<float>(x) + 0.5f - 32.0f) / 32.0f;
    const float dy = (static_cast<float>(y) + 0.5f - 32.0f) / 32.0f;
    const float r = std::sqrt(dx * dx + dy * dy);
    RgbColour c{12, 34, 18};
    const float glow = std::max(0.0f, 1.0f - r) * 0.5f;
    c = mixColour(c, {30, 90, 40}, glow);
    auto ring = [&](float at, float width) { return std::fabs(r - at) < width; };
    if (ring(0.45f, 0.025f) || ring(0.88f, 0.03f)) c = {80, 220, 110};
    if ((std::fabs(dx) < 0.012f || std::fabs(dy) < 0.012f) && r < 0.88f)
        c = mixColour(c, {60, 160, 80}, 0.6f);
    const float angle = std::atan2(dy, dx);
    const float tick = std::fabs(std::remainder(angle, Pi / 6.0f));
    if (r > 0.72f && r < 0.88f && tick * r < 0.03f) c = {140, 255, 160};
    if (r < 0.08f) c = {140, 255, 160};
    return c;
}

RgbColour screenColour(int x, int y) {
    RgbColour c{96, 178, 86};
    const int edge = std::min({x, y, 63 - x, 31 - y});
    if (edge < 3) return {40, 50, 36};
    // A bar graph of signal strength.
    const int bar = (x - 6) / 7;
    const int inBar = (x - 6) % 7;
    const int heights[8] = {5, 8, 11, 14, 17, 20, 22, 24};
    if (x >= 6 && bar < 8 && inBar < 5 && y > 27 - heights[bar] && y < 28) c = {28, 52, 30};
    return c;
}

}  // namespace

A3fModel makeDetectorModel() {
    A3fModel model;
    model.comment = "detector: hand-held case with a dial window, readout and antenna";
    Mesh& mesh = model.mesh;

    const Frame caseFrame = frameAlong({0, 0, 0}, {0, 1, 0}, {0, 0, 1});
    std::vector<Vec2> outline =
        roundedRectangle(-CaseHalfWidth, 0.0f, CaseHalfWidth, CaseHeight, CaseCorner, 4);
    addExtrusion(mesh, makeProfile(outline, true), CaseBack, CaseFront, caseFrame, Case, CaseSkin, CaseSkin);

    // The dial housing: a short drum on the lid, a bezel round the window.
    addLathe(mesh,
             makeProfile({{HousingRadius + 0.007f, CaseHeight - 0.01f},
                          {HousingRadius + 0.004f, CaseHeight + 0.008f},
                          {HousingRadius, FaceHeight},
                          {HousingRadius, FaceHeight},
                          {HousingRadius, BezelTop - 0.002f},
                          {HousingRadius - 0.004f, BezelTop},
                          {WindowRadius + 0.004f, BezelTop},
                          {WindowRadius, BezelTop - 0.003f},
                          {WindowRadius, BezelTop - 0.003f},
                          {WindowRadius, FaceHeight}},
                         false),
             32, Upright, {1, 1}, Metal, MetalSkin);
    addDisc(mesh, WindowRadius, FaceHeight, 32, Face, DialFace);

    // Readout screen and two buttons near the player's end.
    BoxUv screen = sameOnAllFaces(CaseSkin);
    screen.faces[3] = ScreenSkin;
    addBox(mesh, {-0.09f, CaseHeight - 0.004f, 0.15f}, {0.09f, CaseHeight + 0.004f, 0.215f}, Upright, Screen,
           screen);
    addPost(mesh, -0.1f, 0.12f, 0.016f, CaseHeight - 0.005f, CaseHeight + 0.012f, RedKnob, RedSkin);
    addPost(mesh, 0.1f, 0.12f, 0.016f, CaseHeight - 0.005f, CaseHeight + 0.012f, GreenKnob, GreenSkin);

    // The antenna leans away from the player, a red bead on its tip.
    const Vec3 foot{0.1f, CaseHeight - 0.01f, -0.16f};
    const Vec3 tip{0.13f, 0.43f, -0.26f};
    const Frame rod = frameAlong(foot, tip - foot, {0, 0, 1});
    const float rodLength = lengthOf(tip - foot);
    addLathe(
        mesh,
        makeProfile({{0.022f, 0.0f}, {0.018f, 0.04f}, {0.018f, 0.04f}, {0.007f, 0.045f}, {0.006f, rodLength}},
                    false),
        8, rod, {1, 1}, Metal, MetalSkin);
    addLathe(mesh, makeProfile(sphereOutline(0.018f, 0.0f, 6), false), 10,
             frameAlong(tip, {0, 1, 0}, {0, 0, 1}), {1, 1}, RedKnob, RedSkin);

    shadeModel(model,
               {{"case", {1.0f, 1.0f, 1.0f, 1.0f}, 4, true, "NONE", 10, 0.2f},
                {"metal", {1.0f, 1.0f, 1.0f, 1.0f}, 3, true, "NONE", 50, 0.8f},
                {"face", {1.0f, 1.0f, 1.0f, 1.0f}, 1, true, "NONE", 10, 0.3f},
                {"screen", {1.0f, 1.0f, 1.0f, 1.0f}, 1, true, "NONE", 10, 0.3f},
                {"red", {1.0f, 1.0f, 1.0f, 1.0f}, 2, true, "NONE", 30, 0.5f},
                {"green", {1.0f, 1.0f, 1.0f, 1.0f}, 2, true, "NONE", 30, 0.5f}},
               DetectorTextureFile);
    return model;
}

A3fModel makeDialModel() {
    A3fModel model;
    model.comment = "dial: needle and sweep turning about the detector's upright axis";
    Mesh& mesh = model.mesh;
    addDisc(mesh, WindowRadius - 0.004f, FaceHeight + 0.003f, 32, Sweep, SweepCard);

    // The needle lies flat and points along -z; outlines are in (x, -z).
    const float needleBase = DetectorDialHeight - 0.01f;
    const float needleHeight = 0.02f;  // tall enough to read from the eye's shallow angle
    addFlatPrism(mesh, {{0.02f, 0.008f}, {0.0f, 0.1f}, {-0.02f, 0.008f}}, needleBase, needleHeight, NeedleTip,
                 RedPaint);
    addFlatPrism(mesh, {{-0.02f, 0.008f}, {0.0f, -0.05f}, {0.02f, 0.008f}}, needleBase, needleHeight,
                 NeedleTail, WhitePaint);
    addPost(mesh, 0.0f, 0.0f, 0.014f, FaceHeight, DetectorDialHeight + 0.014f, Hub, HubPaint);

    shadeModel(model,
               {{"sweep", {1.0f, 1.0f, 1.0f, 1.0f}, 1, true, "BLACK_MASK", 10, 0.0f},
                {"needle_tip", {1.0f, 1.0f, 1.0f, 1.0f}, 2, true, "NONE", 40, 0.5f},
                {"needle_tail", {1.0f, 1.0f, 1.0f, 1.0f}, 2, true, "NONE", 40, 0.5f},
                {"hub", {1.0f, 1.0f, 1.0f, 1.0f}, 2, true, "NONE", 60, 0.8f}},
               DialTextureFile);
    return model;
}

RgbImage makeDetectorTexture() {
    RgbImage image(TextureSize, TextureSize);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            image.set(x, y, caseColour(x, y));
            image.set(x + 64, y, metalColour(x, y));
            image.set(x, y + 64, dialFaceColour(x, y));
        }
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) image.set(x + 64, y + 64, screenColour(x, y));
    for (int y = 96; y < 128; ++y)
        for (int x = 64; x < 128; ++x) {
            const float d =
                std::hypot(static_cast<float>((x - 64) % 32) - 15.5f, static_cast<float>(y - 96) - 15.5f);
            const RgbColour base = x < 96 ? RgbColour{210, 44, 32} : RgbColour{70, 210, 70};
            image.set(x, y, scaleColour(base, 1.15f - 0.4f * d / 22.0f));
        }
    return image;
}

RgbaImage makeDialTexture() {
    RgbaImage image(DialWidth, DialHeight);
    auto put = [&](int x, int y, RgbColour c) {
        std::uint8_t* p = image.at(x, y);
        // Pure black is the see-through colour; everything drawn avoids it.
        p[0] = std::max<std::uint8_t>(c.red, 1);
        p[1] = std::max<std::uint8_t>(c.green, 1);
        p[2] = std::max<std::uint8_t>(c.blue, 1);
        p[3] = 255;
    };
    // The sweep: a glowing wedge from the centre toward the needle's point
    // (the top of the card), brightest along its middle.
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f - 32.0f) / 32.0f;
            const float dy = (static_cast<float>(y) + 0.5f - 32.0f) / 32.0f;
            const float r = std::sqrt(dx * dx + dy * dy);
            const float off = std::fabs(std::atan2(dx, -dy));  // 0 straight up the card
            if (r > 0.97f || r < 0.05f || off > 0.42f) continue;
            const float strength = (1.0f - off / 0.42f) * (0.35f + 0.65f * r);
            if (strength < 0.08f) continue;
            put(x, y, mixColour({20, 70, 30}, {190, 255, 150}, strength));
        }
    for (int y = 0; y < 64; ++y)
        for (int x = 64; x < 128; ++x) {
            if (y < 32 && x < 96)
                put(x, y, {220, 30, 24});
            else if (y < 32)
                put(x, y, {236, 236, 226});
            else if (x < 96)
                put(x, y, {170, 170, 176});
        }
    return image;
}
