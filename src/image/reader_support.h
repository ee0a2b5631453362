#pragma once
// Little pieces every picture reader uses.

#include "image/image_decoder.h"

#include <cstdint>

namespace image_reading {

inline std::uint32_t Read16(const std::uint8_t* p) { return p[0] | (static_cast<std::uint32_t>(p[1]) << 8); }

inline std::uint32_t Read32(const std::uint8_t* p) {
    return p[0] | (static_cast<std::uint32_t>(p[1]) << 8) | (static_cast<std::uint32_t>(p[2]) << 16) |
           (static_cast<std::uint32_t>(p[3]) << 24);
}

inline bool SizeAllowed(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= MaxImageSide && height <= MaxImageSide &&
           width * height <= MaxImagePixels;
}

inline void StartImage(Image& out, int width, int height) {
    out.width = width;
    out.height = height;
    out.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
}

inline bool Finish(bool ok, Image& out) {
    if (!ok) out = Image{};
    return ok;
}

}  // namespace image_reading
