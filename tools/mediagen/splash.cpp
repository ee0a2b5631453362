#include "splash.h"

#include <algorithm>
#include <cmath>

#include "noise.h"
#include "rock_texture.h"
#include "text_mask.h"

namespace {

constexpr char Title[] = "Umbrafall";
constexpr char Subtitle[] = "A descent into the dark";
constexpr int TitleSize = 104;
constexpr int SubtitleSize = 24;
constexpr int TitleCentreY = 196;
constexpr int SubtitleCentreY = 292;

// The launcher draws its controls over the top strip and its Start button
// over x 564..628, y 416..448; both sit on this plain colour.
constexpr int ControlStrip = 24;
constexpr float PlainColour[3] = {14, 12, 10};
constexpr int ButtonLeft = 564, ButtonRight = 628, ButtonTop = 416, ButtonBottom = 448;

constexpr float Pi = 3.14159265f;

float smoothStep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

struct FloatImage {
    int width;
    int height;
    std::vector<float> rgb;
    float* at(int x, int y) { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

// Looking down a tunnel: the angle around the vanishing point wraps the rock
// around the walls, the distance from it gives depth, and depth fades to
// black. A wobble in the radius keeps the tunnel from looking turned.
void drawTunnel(FloatImage& out) {
    const float centreX = SplashWidth * 0.5f;
    const float centreY = SplashHeight * 0.47f;
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const float dx = static_cast<float>(x) + 0.5f - centreX;
            const float dy = (static_cast<float>(y) + 0.5f - centreY) * 1.3f;
            const float around = std::atan2(dy, dx) / (2.0f * Pi) + 0.5f;
            const float wobble = 1.0f + 0.18f * fractalNoise(around, 0.0f, {5, 3, 0.5f}, 71);
            const float radius = std::max(std::sqrt(dx * dx + dy * dy) * wobble, 1.0f);
            const float depth = 90.0f / radius;
            const RgbColour rock = rockColourAt(around * 3.0f, depth * 1.2f, 1.0f / 400.0f);
            const float light = std::exp(-1.5f * depth) * 1.2f;
            float* p = out.at(x, y);
            p[0] = rock.red * light;
            p[1] = rock.green * light;
            p[2] = rock.blue * light;
        }
}

// Corners and edges darken; the top strip and the button corner go plain.
void darkenEdges(FloatImage& out) {
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const float nx = (static_cast<float>(x) + 0.5f) / SplashWidth * 2.0f - 1.0f;
            const float ny = (static_cast<float>(y) + 0.5f) / SplashHeight * 2.0f - 1.0f;
            const float vignette = 1.0f - 0.7f * smoothStep(0.4f, 1.8f, nx * nx + ny * ny);
            const float strip = smoothStep(ControlStrip + 2.0f, ControlStrip + 22.0f, static_cast<float>(y));
            const float bx = std::max({ButtonLeft - 8.0f - x, x - (ButtonRight + 8.0f), 0.0f});
            const float by = std::max({ButtonTop - 8.0f - y, y - (ButtonBottom + 8.0f), 0.0f});
            const float button = smoothStep(0.0f, 70.0f, std::sqrt(bx * bx + by * by));
            const float keep = strip * button;
            float* p = out.at(x, y);
            for (int c = 0; c < 3; ++c) p[c] = PlainColour[c] + (p[c] * vignette - PlainColour[c]) * keep;
        }
}

// Three-pass box blur, close enough to a Gaussian for a shadow.
std::vector<float> blurred(const TextMask& mask, int radius) {
    std::vector<float> a = mask.coverage;
    std::vector<float> b(a.size());
    const int w = mask.width;
    const int h = mask.height;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float sum = 0.0f;
                for (int k = -radius; k <= radius; ++k) sum += a[y * w + std::clamp(x + k, 0, w - 1)];
                b[y * w + x] = sum / (2 * radius + 1);
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float sum = 0.0f;
                for (int k = -radius; k <= radius; ++k) sum += b[std::clamp(y + k, 0, h - 1) * w + x];
                a[y * w + x] = sum / (2 * radius + 1);
            }
    }
    return a;
}

float dilated(const TextMask& mask, int x, int y, int radius) {
    float best = 0.0f;
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            if (dx * dx + dy * dy <= radius * radius + radius) best = std::max(best, mask.at(x + dx, y + dy));
    return best;
}

void blend(float* p, const float colour[3], float alpha) {
    for (int c = 0; c < 3; ++c) p[c] += (colour[c] - p[c]) * alpha;
}

// Soft shadow, dark outline, then the letters lit from above like old brass.
void drawTitle(FloatImage& out, const TextMask& mask, int left, int top, bool glow) {
    constexpr float Shadow[3] = {0, 0, 0};
    constexpr float Outline[3] = {22, 15, 9};
    constexpr float GlowColour[3] = {120, 70, 25};
    constexpr float Top[3] = {250, 232, 184};
    constexpr float Bottom[3] = {196, 132, 58};
    const int outlineRadius = glow ? 3 : 2;
    const std::vector<float> soft = blurred(mask, glow ? 6 : 2);
    const int shadowX = glow ? 5 : 2;
    const int shadowY = glow ? 6 : 2;
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            const int px = left + x;
            const int py = top + y;
            if (px < 0 || py < 0 || px >= out.width || py >= out.height) continue;
            float* p = out.at(px, py);
            if (glow) blend(p, GlowColour, 0.35f * soft[y * mask.width + x]);
            const int sx = x - shadowX;
            const int sy = y - shadowY;
            if (sx >= 0 && sy >= 0) blend(p, Shadow, 0.85f * soft[sy * mask.width + sx]);
            blend(p, Outline, dilated(mask, x, y, outlineRadius));
            const float t =
                std::clamp(static_cast<float>(y - mask.baseline) / (mask.height * 0.8f) + 0.75f, 0.0f, 1.0f);
            const float fill[3] = {Top[0] + (Bottom[0] - Top[0]) * t, Top[1] + (Bottom[1] - Top[1]) * t,
                                   Top[2] + (Bottom[2] - Top[2]) * t};
            blend(p, fill, mask.at(x, y));
        }
}

}  // namespace

bool makeSplash(const std::string& fontFile, RgbImage& image, std::string& error) {
    TextMask title;
    TextMask subtitle;
    if (!renderTextMask(fontFile, Title, TitleSize, 16, title, error)) return false;
    if (!renderTextMask(fontFile, Subtitle, SubtitleSize, 6, subtitle, error)) return false;

    FloatImage canvas{SplashWidth, SplashHeight, std::vector<float>(SplashWidth * SplashHeight * 3, 0.0f)};
    drawTunnel(canvas);
    darkenEdges(canvas);
    drawTitle(canvas, title, (SplashWidth - title.width) / 2, TitleCentreY - title.height / 2, true);
    drawTitle(canvas, subtitle, (SplashWidth - subtitle.width) / 2, SubtitleCentreY - subtitle.height / 2,
              false);

    image = RgbImage(SplashWidth, SplashHeight);
    for (std::size_t i = 0; i < canvas.rgb.size(); ++i)
        image.pixels[i] = static_cast<std::uint8_t>(std::clamp(canvas.rgb[i], 0.0f, 255.0f) + 0.5f);
    return true;
}
