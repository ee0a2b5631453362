#pragma once
// A small rectangle of screen pixels drawn in memory (text and filled bars)
// and copied onto the OpenGL frame, optionally translucent.

#include <cstdint>

// Colours are 0xRRGGBB.
inline constexpr std::uint32_t PanelWhite = 0xFFFFFF;
inline constexpr std::uint32_t PanelBlack = 0x000000;

// The largest panel side; a bigger request makes no panel.
inline constexpr int MaxPanelSide = 4096;

struct TextPanel {
    float rasterX = 0.0f, rasterY = 0.0f;  // bottom-left corner in normalised device coordinates
    // width x height pixels of 4 bytes (blue, green, red, alpha), bottom row first.
    std::uint32_t* bits = nullptr;
    std::uint32_t* backup = nullptr;  // the pixels as created: all zero
    std::uint32_t colour = 0;
    std::uint32_t backgroundColour = 0;
    int pixelCount = 0;
    int byteCount = 0;
    bool blend = false;
    int width = 0, height = 0;

    TextPanel() = default;
    ~TextPanel() { Release(); }
    TextPanel(const TextPanel&) = delete;
    TextPanel& operator=(const TextPanel&) = delete;

    // The rectangle is in pixels of a screen of the given size, y growing
    // downward; it fixes the panel's size and its place as a fraction of the
    // screen. True when the pixels exist.
    bool Create(int left, int top, int right, int bottom, int screenWidth, int screenHeight, bool blend);
    // Back to transparent black.
    void Clear();
    void SetColour(std::uint32_t colour);
    // Writes `text` on a box of the background colour, left- and top-aligned
    // in the rectangle (panel pixels, y down), one line per '\n'. Not clipped
    // to the rectangle, only to the panel. `flags` is kept for callers; 0 is
    // the only layout there is.
    void WriteText(const char* text, int left, int top, int right, int bottom, unsigned flags);
    // A frame in the current colour around a dark inside holding `cells`
    // equal slots, of which `fraction` are filled.
    void DrawBar(int left, int top, int right, int bottom, int cells, float fraction);
    // ORs `alpha` into the alpha byte of every pixel; only for a blended panel.
    void SetAlpha(int alpha);
    // Copies the pixels onto the current frame; leaves the matrix mode at
    // GL_PROJECTION and the modelview matrix at the identity.
    void Present() const;
    void Release();

    // Fills panel pixels [left, right) x [top, bottom), y down, with a colour.
    void fill(int left, int top, int right, int bottom, std::uint32_t fillColour);
};
