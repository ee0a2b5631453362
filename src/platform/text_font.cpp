#include "platform/internal.h"
#include "platform/platform.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace platform {

namespace {

// Sized so that a line sits inside the 24-pixel HUD with room to spare.
constexpr FT_UInt PixelSize = 14;
// Longer lines are cut here: nothing the game writes comes near it.
constexpr int MaxLineLength = 1024;

long RoundedPixels(FT_Pos value) { return (value + 32) >> 6; }

std::uint32_t Mix(std::uint32_t background, std::uint32_t colour, unsigned coverage) {
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int b = static_cast<int>((background >> shift) & 0xFF);
        const int c = static_cast<int>((colour >> shift) & 0xFF);
        const int mixed = b + ((c - b) * static_cast<int>(coverage) + 127) / 255;
        out |= static_cast<std::uint32_t>(mixed) << shift;
    }
    return out;
}

// Writes one pixel given top-down; silently drops what lies off the canvas.
void Put(const PixelCanvas& canvas, long x, long row, std::uint32_t value) {
    if (x < 0 || row < 0 || x >= canvas.width || row >= canvas.height) return;
    const long stored = static_cast<long>(canvas.height) - 1 - row;
    canvas.pixels[stored * canvas.width + x] = value;
}

std::uint32_t Get(const PixelCanvas& canvas, long x, long row) {
    const long stored = static_cast<long>(canvas.height) - 1 - row;
    return canvas.pixels[stored * canvas.width + x];
}

}  // namespace

struct TextFont::Face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

TextFont::~TextFont() { close(); }

bool TextFont::open(const std::string& file) {
    close();
    Face* opened = new Face;
    bool ok = FT_Init_FreeType(&opened->library) == 0;
    ok = ok && FT_New_Face(opened->library, file.c_str(), 0, &opened->face) == 0;
    ok = ok && FT_IS_SCALABLE(opened->face) && FT_Set_Pixel_Sizes(opened->face, 0, PixelSize) == 0;
    face_ = opened;
    if (!ok) {
        close();
        return false;
    }
    const FT_Size_Metrics& metrics = opened->face->size->metrics;
    ascent_ = static_cast<int>(RoundedPixels(metrics.ascender));
    lineHeight_ = static_cast<int>(RoundedPixels(metrics.height));
    return true;
}

void TextFont::close() {
    if (!face_) return;
    if (face_->face) FT_Done_Face(face_->face);
    if (face_->library) FT_Done_FreeType(face_->library);
    delete face_;
    face_ = nullptr;
    lineHeight_ = ascent_ = 0;
}

bool TextFont::drawLine(const PixelCanvas& canvas, const char* text, int length, int x, int y,
                        std::uint32_t colour, std::uint32_t background) const {
    if (!face_) return false;
    if (!text || !canvas.pixels || canvas.width <= 0 || canvas.height <= 0) return true;
    length = std::clamp(length, 0, MaxLineLength);
    const FT_Face face = face_->face;
    const bool kerning = FT_HAS_KERNING(face);

    // The whole line's box is filled before any glyph, so that one glyph's
    // overhang is not painted over by the next one's box.
    long advance = 0;  // 26.6
    FT_UInt previous = 0;
    for (int i = 0; i < length; ++i) {
        const FT_UInt index = FT_Get_Char_Index(face, static_cast<unsigned char>(text[i]));
        FT_Vector kern{0, 0};
        if (kerning && previous && index) FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kern);
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) == 0) advance += kern.x + face->glyph->advance.x;
        previous = index;
    }
    const long left = x, top = y;
    const long right = left + RoundedPixels(advance), bottom = top + lineHeight_;
    for (long row = std::max(top, 0L); row < std::min(bottom, static_cast<long>(canvas.height)); ++row)
        for (long col = std::max(left, 0L); col < std::min(right, static_cast<long>(canvas.width)); ++col)
            Put(canvas, col, row, background & 0xFFFFFF);

    long pen = 0;
    previous = 0;
    for (int i = 0; i < length; ++i) {
        const FT_UInt index = FT_Get_Char_Index(face, static_cast<unsigned char>(text[i]));
        if (kerning && previous && index) {
            FT_Vector kern{0, 0};
            if (FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kern) == 0) pen += kern.x;
        }
        previous = index;
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        const long originX = left + RoundedPixels(pen) + slot->bitmap_left;
        const long originRow = top + ascent_ - slot->bitmap_top;
        pen += slot->advance.x;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) continue;
        for (unsigned gy = 0; gy < bitmap.rows; ++gy) {
            const long row = originRow + gy;
            if (row < 0 || row >= canvas.height) continue;
            const unsigned char* line = bitmap.buffer + static_cast<long>(gy) * bitmap.pitch;
            for (unsigned gx = 0; gx < bitmap.width; ++gx) {
                const long col = originX + gx;
                if (col < 0 || col >= canvas.width) continue;
                unsigned coverage = 0;
                if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY)
                    coverage = line[gx] * 255u / std::max(bitmap.num_grays - 1, 1);
                else
                    coverage = (line[gx >> 3] >> (7 - (gx & 7))) & 1 ? 255u : 0u;
                if (coverage == 0) continue;
                // Over the box the glyph blends with the background; an
                // overhang past the box blends with what lies there.
                const bool inBox = col >= left && col < right && row >= top && row < bottom;
                const std::uint32_t under = inBox ? background : Get(canvas, col, row);
                Put(canvas, col, row, Mix(under & 0xFFFFFF, colour & 0xFFFFFF, coverage));
            }
        }
    }
    return true;
}

}  // namespace platform
