#include "text_mask.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>

namespace {

struct Glyph {
    int left;  // pixel column of the bitmap's left edge, pen origin 0
    int top;   // rows above the baseline
    int width;
    int rows;
    std::vector<unsigned char> pixels;
};

}  // namespace

bool renderTextMask(const std::string& fontFile, const std::string& text, int pixelSize, int margin,
                    TextMask& mask, std::string& error) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        error = "FreeType could not start";
        return false;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(library, fontFile.c_str(), 0, &face) != 0) {
        FT_Done_FreeType(library);
        error = "FreeType cannot open the font " + fontFile;
        return false;
    }
    std::vector<Glyph> glyphs;
    bool ok = FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) == 0;
    long pen = 0;  // 26.6 fixed point
    FT_UInt previous = 0;
    for (std::size_t i = 0; ok && i < text.size(); ++i) {
        const FT_UInt index = FT_Get_Char_Index(face, static_cast<unsigned char>(text[i]));
        if (previous && index && FT_HAS_KERNING(face)) {
            FT_Vector kern;
            if (FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kern) == 0) pen += kern.x;
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0) {
            ok = false;
            break;
        }
        const FT_GlyphSlot slot = face->glyph;
        if (slot->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && slot->bitmap.rows > 0) {
            ok = false;
            break;
        }
        Glyph g;
        g.left = static_cast<int>(pen >> 6) + slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int>(slot->bitmap.width);
        g.rows = static_cast<int>(slot->bitmap.rows);
        for (int y = 0; y < g.rows; ++y) {
            const unsigned char* row = slot->bitmap.buffer + static_cast<long>(y) * slot->bitmap.pitch;
            g.pixels.insert(g.pixels.end(), row, row + g.width);
        }
        glyphs.push_back(std::move(g));
        pen += slot->advance.x;
        previous = index;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (!ok) {
        error = "FreeType cannot render \"" + text + "\" with " + fontFile;
        return false;
    }

    int minX = INT_MAX, maxX = INT_MIN, maxTop = INT_MIN, minBottom = INT_MAX;
    for (const Glyph& g : glyphs) {
        if (g.width == 0 || g.rows == 0) continue;
        minX = std::min(minX, g.left);
        maxX = std::max(maxX, g.left + g.width);
        maxTop = std::max(maxTop, g.top);
        minBottom = std::min(minBottom, g.top - g.rows);
    }
    if (minX > maxX) {
        error = "\"" + text + "\" has no visible letters";
        return false;
    }
    mask.width = maxX - minX + 2 * margin;
    mask.height = maxTop - minBottom + 2 * margin;
    mask.baseline = margin + maxTop;
    mask.coverage.assign(static_cast<std::size_t>(mask.width) * mask.height, 0.0f);
    for (const Glyph& g : glyphs)
        for (int y = 0; y < g.rows; ++y)
            for (int x = 0; x < g.width; ++x) {
                const int mx = g.left - minX + margin + x;
                const int my = mask.baseline - g.top + y;
                float& cell = mask.coverage[static_cast<std::size_t>(my) * mask.width + mx];
                cell = std::min(1.0f, cell + g.pixels[static_cast<std::size_t>(y) * g.width + x] / 255.0f);
            }
    return true;
}
