// Targa pictures.
#include "image/reader_support.h"

#include <cstring>

namespace {

using namespace image_reading;

struct Targa {
    unsigned depth = 0;
    const std::uint8_t* map = nullptr;
    unsigned mapLength = 0;
};

bool ReadTargaPixel(const Targa& tga, const std::uint8_t* src, std::uint8_t* dst) {
    switch (tga.depth) {
        case 32: std::memcpy(dst, src, 4); break;
        case 24:
            std::memcpy(dst, src, 3);
            dst[3] = 255;
            break;
        case 16: {
            const std::uint32_t v = Read16(src);
            dst[0] = static_cast<std::uint8_t>((v & 31) * 8);
            dst[1] = static_cast<std::uint8_t>(((v >> 5) & 31) * 8);
            dst[2] = static_cast<std::uint8_t>(((v >> 10) & 31) * 8);
            dst[3] = 255;
            break;
        }
        default:
            if (src[0] >= tga.mapLength) return false;
            std::memcpy(dst, tga.map + 3 * src[0], 3);
            dst[3] = 255;
            break;
    }
    return true;
}

bool DecodeTargaInto(const std::uint8_t* data, std::size_t size, Image& out) {
    if (size < 18) return false;
    const unsigned type = data[2];
    const bool mapped = type == 1 || type == 9;
    if (!mapped && type != 2 && type != 10) return false;

    Targa tga;
    tga.depth = data[16];
    tga.mapLength = Read16(data + 5);
    if (mapped) {
        if (data[1] == 0 || tga.depth != 8 || data[7] != 24 || tga.mapLength == 0) return false;
    } else if (tga.depth != 16 && tga.depth != 24 && tga.depth != 32) {
        return false;
    }
    const int width = static_cast<int>(Read16(data + 12)), height = static_cast<int>(Read16(data + 14));
    if (!SizeAllowed(width, height)) return false;

    std::size_t at = 18 + std::size_t{data[0]};
    if (mapped) {
        tga.map = data + at;
        at += std::size_t{tga.mapLength} * 3;
    } else if (data[1] != 0) {
        // A true-colour file may carry a map it does not use; its entries are
        // not pixels.
        at += std::size_t{tga.mapLength} * ((std::size_t{data[7]} + 7) / 8);
    }
    if (at > size) return false;

    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::size_t pixelSize = tga.depth / 8;
    // Refuse files too short for their size before allocating: a packet of a
    // byte and one pixel covers at most 128 pixels.
    const std::size_t room = (size - at) / pixelSize;
    if (type == 1 || type == 2 ? room < n : (size - at) / (pixelSize + 1) < (n + 127) / 128) return false;
    StartImage(out, width, height);
    const bool backToFront = data[17] == 0;
    auto slot = [&](std::size_t i) { return &out.pixels[(backToFront ? n - 1 - i : i) * 4]; };

    if (type == 1 || type == 2) {
        for (std::size_t i = 0; i < n; ++i, at += pixelSize) {
            if (!ReadTargaPixel(tga, data + at, slot(i))) return false;
        }
        return true;
    }
    std::size_t i = 0;
    while (i < n) {
        if (at >= size) return false;
        const unsigned packet = data[at++];
        const std::size_t count = std::min<std::size_t>((packet & 127) + 1, n - i);
        if (packet < 128) {
            if ((size - at) / pixelSize < count) return false;
            for (std::size_t k = 0; k < count; ++k, at += pixelSize) {
                if (!ReadTargaPixel(tga, data + at, slot(i + k))) return false;
            }
        } else {
            if (size - at < pixelSize || !ReadTargaPixel(tga, data + at, slot(i))) return false;
            at += pixelSize;
            for (std::size_t k = 1; k < count; ++k) std::memcpy(slot(i + k), slot(i), 4);
        }
        i += count;
    }
    return true;
}

}  // namespace

bool DecodeTarga(const std::uint8_t* data, std::size_t size, Image& out) {
    out = Image{};
    return Finish(data && DecodeTargaInto(data, size, out), out);
}
