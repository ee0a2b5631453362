#pragma once
// The cache of OpenGL textures made from the media pictures. It owns every
// texture and deletes them all when the window is torn down.

#include <cstddef>
#include <cstdint>

using TextureId = unsigned int;  // an OpenGL texture name; 0 means no texture

// How a texture's alpha comes from its colours, numbered as the ALPHA words
// of the model files. The names are those words; the effects are not what
// the words suggest.
using AlphaMode = std::int32_t;
inline constexpr AlphaMode AlphaNone = 0;         // opaque
inline constexpr AlphaMode AlphaLuminance = 1;    // 255 - (R + G + B) / 3
inline constexpr AlphaMode AlphaIlluminance = 2;  // (R + G + B) / 3
inline constexpr AlphaMode AlphaBlackMask = 3;    // pure black transparent
inline constexpr AlphaMode AlphaRed = 4;          // pure white transparent
inline constexpr AlphaMode AlphaGreen = 5;        // the first pixel's colour transparent
inline constexpr AlphaMode AlphaBlue = 6;         // the decoder's fourth byte
inline constexpr AlphaMode AlphaRedMask = 7;      // the alpha value, truncated, low 8 bits
inline constexpr AlphaMode AlphaGreenMask = 8;    // the decoder's fourth byte
inline constexpr AlphaMode AlphaBlueMask = 9;     // the decoder's fourth byte
inline constexpr AlphaMode AlphaNumber = 10;      // the decoder's fourth byte

inline constexpr int TextureCacheCapacity = 255;
inline constexpr std::size_t TextureNameCapacity = 260;  // bytes, terminator included

struct TextureSlot {
    char fileName[TextureNameCapacity];  // empty in a free slot
    TextureId texture;                   // 0 in a free slot
    std::int32_t width, height;
    AlphaMode alphaMode;
};

extern TextureSlot TextureCache[TextureCacheCapacity];
extern std::int32_t TextureCacheCount;  // slots used; the next slot to fill
extern bool HighQualityTextures;        // full-precision storage, else 8 and 16 bits

// The texture for a bare media file name, made on the first request with
// `mode` (and `alphaValue` for AlphaRedMask) and shared by every later request
// for the same name, compared byte for byte. 0 when the file cannot be
// decoded (with a message) or the table is full (with a message).
// Needs the GL context; leaves the texture bound.
TextureId LoadTexture(const char* fileName, AlphaMode mode, float alphaValue);

// Empties the table of loaded textures and chooses the internal formats.
void ResetTextureCache(bool highQuality);

// Deletes every loaded texture and empties the table. Needs the GL context.
void DeleteAllTextures();
