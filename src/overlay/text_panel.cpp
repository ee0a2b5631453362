#include "overlay/text_panel.h"

#include "platform/platform.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>

// The pixels go to GL as bytes blue, green, red, alpha: one little-endian word.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr int BarFrame = 2;  // frame width, and the inset of the cells from the inside
constexpr int CellGap = 2;   // each cell is this much narrower than its slot

}  // namespace

bool TextPanel::Create(int left, int top, int right, int bottom, int screenWidth, int screenHeight,
                       bool blendPixels) {
    Release();
    blend = blendPixels;
    width = right - left;
    height = bottom - top;
    if (screenWidth > 0 && screenHeight > 0) {
        rasterX = static_cast<float>(left) / static_cast<float>(screenWidth) * 2.0f - 1.0f;
        rasterY = 1.0f - static_cast<float>(bottom) / static_cast<float>(screenHeight) * 2.0f;
    }
    colour = PanelWhite;
    backgroundColour = PanelBlack;
    if (width <= 0 || height <= 0 || width > MaxPanelSide || height > MaxPanelSide) {
        width = height = 0;
        return false;
    }
    pixelCount = width * height;
    byteCount = pixelCount * 4;
    bits = new (std::nothrow) std::uint32_t[static_cast<std::size_t>(pixelCount)]();
    backup = new (std::nothrow) std::uint32_t[static_cast<std::size_t>(pixelCount)];
    if (!bits || !backup) {
        Release();
        return false;
    }
    std::memcpy(backup, bits, static_cast<std::size_t>(byteCount));
    return true;
}

void TextPanel::Clear() {
    if (bits && backup) std::memcpy(bits, backup, static_cast<std::size_t>(byteCount));
}

void TextPanel::SetColour(std::uint32_t newColour) { colour = newColour & 0xFFFFFF; }

void TextPanel::fill(int left, int top, int right, int bottom, std::uint32_t fillColour) {
    if (!bits) return;
    const int x0 = std::max(left, 0), x1 = std::min(right, width);
    const int y0 = std::max(top, 0), y1 = std::min(bottom, height);
    for (int y = y0; y < y1; ++y) {
        std::uint32_t* row = bits + static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(width);
        std::fill(row + x0, row + std::max(x0, x1), fillColour & 0xFFFFFF);
    }
}

void TextPanel::WriteText(const char* text, int left, int top, int /*right*/, int /*bottom*/,
                          unsigned /*flags*/) {
    if (!bits || !text) return;
    const platform::PixelCanvas canvas{bits, width, height};
    const int lineHeight = platform::TextLineHeight();
    long y = top;
    for (const char* line = text;; ++line) {
        const char* end = std::strchr(line, '\n');
        const int length = static_cast<int>(end ? end - line : static_cast<long>(std::strlen(line)));
        if (y >= height) break;
        if (!platform::DrawTextLine(canvas, line, length, left, static_cast<int>(y), colour, backgroundColour))
            break;
        if (!end || lineHeight <= 0) break;
        line = end;
        y += lineHeight;
    }
}

void TextPanel::DrawBar(int left, int top, int right, int bottom, int cells, float fraction) {
    if (cells <= 0) return;
    const std::uint32_t frameColour = colour;
    fill(left, top, right, bottom, frameColour);
    SetColour(backgroundColour);
    fill(left + BarFrame, top + BarFrame, right - BarFrame, bottom - BarFrame, colour);
    SetColour(frameColour);

    const float inner = static_cast<float>((right - left) - 4 * BarFrame);
    const float cell = inner / static_cast<float>(cells);
    const float filled = std::floor(inner * fraction / cell);
    // Never more cells than there are slots, whatever the fraction says.
    const int count = filled > 0.0f ? static_cast<int>(std::min(filled, static_cast<float>(cells))) : 0;
    for (int i = 0; i < count; ++i) {
        const int x = static_cast<int>(static_cast<float>(left + 2 * BarFrame) + static_cast<float>(i) * cell);
        const int x2 = static_cast<int>(static_cast<float>(x) + cell - static_cast<float>(CellGap));
        fill(x, top + 2 * BarFrame, x2, bottom - 2 * BarFrame, colour);
    }
}

void TextPanel::SetAlpha(int alpha) {
    if (!bits || !blend) return;
    const std::uint32_t top = static_cast<std::uint32_t>(alpha & 0xFF) << 24;
    for (int i = 0; i < pixelCount; ++i) bits[i] |= top;
}

void TextPanel::Present() const {
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    if (blend)
        glEnable(GL_BLEND);
    else
        glDisable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glRasterPos2f(rasterX, rasterY);
    if (bits) glDrawPixels(width, height, GL_BGRA_EXT, GL_UNSIGNED_BYTE, bits);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}

void TextPanel::Release() {
    delete[] bits;
    delete[] backup;
    bits = backup = nullptr;
    pixelCount = byteCount = 0;
    width = height = 0;
}
