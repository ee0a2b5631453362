#include "image/texture_cache.h"

#include "app/utilities.h"
#include "image/image_decoder.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

TextureSlot TextureCache[TextureCacheCapacity];
std::int32_t TextureCacheCount = 0;
bool HighQualityTextures = false;

namespace {

// The alpha value truncated toward zero, low 8 bits of that integer (so -1
// gives 255); not-a-number and the infinities give 0.
std::uint8_t AlphaByteOf(float value) {
    const double r = std::fmod(std::trunc(static_cast<double>(value)), 256.0);
    if (std::isnan(r)) return 0;
    return static_cast<std::uint8_t>(r < 0 ? r + 256 : r);
}

// Blue, green, red, fourth byte become red, green, blue, alpha in place.
void ConvertPixels(std::uint8_t* p, std::size_t count, AlphaMode mode, float alphaValue) {
    const std::uint8_t key[3] = {p[2], p[1], p[0]};
    const std::uint8_t fixed = AlphaByteOf(alphaValue);
    for (std::uint8_t* end = p + count * 4; p != end; p += 4) {
        std::swap(p[0], p[2]);
        const unsigned sum = unsigned{p[0]} + p[1] + p[2];
        switch (mode) {
            case AlphaNone: p[3] = 255; break;
            case AlphaLuminance: p[3] = static_cast<std::uint8_t>(255 - sum / 3); break;
            case AlphaIlluminance: p[3] = static_cast<std::uint8_t>(sum / 3); break;
            case AlphaBlackMask: p[3] = sum == 0 ? 0 : 255; break;
            case AlphaRed: p[3] = sum == 765 ? 0 : 255; break;
            case AlphaGreen: p[3] = (p[0] == key[0] && p[1] == key[1] && p[2] == key[2]) ? 0 : 255; break;
            case AlphaRedMask: p[3] = fixed; break;
            default: break;
        }
    }
}

}  // namespace

TextureId LoadTexture(const char* fileName, AlphaMode mode, float alphaValue) {
    if (!fileName) return 0;
    for (const TextureSlot& slot : TextureCache) {
        if (std::strcmp(slot.fileName, fileName) == 0) return slot.texture;
    }
    if (TextureCacheCount < 0 || TextureCacheCount >= TextureCacheCapacity) {
        ShowMessage("Too many textures, unable to load the texture file:", fileName);
        return 0;
    }

    // The name stays in the slot even if decoding fails, so that asking again
    // finds it and returns 0 without another message.
    TextureSlot& slot = TextureCache[TextureCacheCount];
    const std::size_t length = strnlen(fileName, TextureNameCapacity - 1);
    std::memcpy(slot.fileName, fileName, length);
    slot.fileName[length] = '\0';

    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels = DecodeImage(fileName, width, height);
    if (pixels.empty()) {
        ShowMessage("Unable to load the texture file:", fileName);
        return 0;
    }
    slot.width = width;
    slot.height = height;
    slot.alphaMode = mode;
    glGenTextures(1, &slot.texture);
    glBindTexture(GL_TEXTURE_2D, slot.texture);

    ConvertPixels(pixels.data(), pixels.size() / 4, mode, alphaValue);
    GLint format = HighQualityTextures ? GL_RGBA : GL_RGB5_A1;
    if (mode == AlphaNone) format = HighQualityTextures ? GL_RGB : GL_R3_G3_B2;
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    ++TextureCacheCount;
    return slot.texture;
}

void ResetTextureCache(bool highQuality) {
    HighQualityTextures = highQuality;
    TextureCacheCount = 0;
    for (TextureSlot& slot : TextureCache) {
        slot.fileName[0] = '\0';
        slot.texture = 0;
    }
}

void DeleteAllTextures() {
    for (TextureSlot& slot : TextureCache) {
        if (slot.texture != 0) glDeleteTextures(1, &slot.texture);
        slot.fileName[0] = '\0';
        slot.texture = 0;
    }
    glGetError();
}
