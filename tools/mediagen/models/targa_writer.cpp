#include "targa_writer.h"

#include <cstring>

namespace {

constexpr std::uint8_t TopLeftOrigin = 0x20;
constexpr int MaxPacket = 128;  // pixels in one raw or run packet

void put16(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

// `pixels` holds the file's own byte order (blue, green, red[, alpha]).
std::vector<std::uint8_t> encode(int width, int height, int bytesPerPixel,
                                 const std::vector<std::uint8_t>& pixels, TargaCompression compression) {
    const bool rle = compression == TargaCompression::RunLength;
    std::vector<std::uint8_t> out;
    out.push_back(0);  // no identification field
    out.push_back(0);  // no colour map
    out.push_back(rle ? 10 : 2);
    for (int i = 0; i < 5; ++i) out.push_back(0);  // colour map origin, length and entry size
    put16(out, 0);
    put16(out, 0);
    put16(out, width);
    put16(out, height);
    out.push_back(static_cast<std::uint8_t>(bytesPerPixel * 8));
    out.push_back(static_cast<std::uint8_t>(TopLeftOrigin | (bytesPerPixel == 4 ? 8 : 0)));

    const std::size_t size = static_cast<std::size_t>(bytesPerPixel);
    if (!rle) {
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }
    // Packets never cross the end of a row.
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = pixels.data() + static_cast<std::size_t>(y) * width * size;
        auto same = [&](int a, int b) { return std::memcmp(row + a * size, row + b * size, size) == 0; };
        int x = 0;
        while (x < width) {
            int run = 1;
            while (x + run < width && run < MaxPacket && same(x, x + run)) ++run;
            if (run > 1) {
                out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
                out.insert(out.end(), row + x * size, row + (x + 1) * size);
                x += run;
                continue;
            }
            int raw = 1;
            while (x + raw < width && raw < MaxPacket && !(x + raw + 1 < width && same(x + raw, x + raw + 1)))
                ++raw;
            out.push_back(static_cast<std::uint8_t>(raw - 1));
            out.insert(out.end(), row + x * size, row + (x + raw) * size);
            x += raw;
        }
    }
    return out;
}

}  // namespace

std::vector<std::uint8_t> encodeTarga(const RgbImage& image, TargaCompression compression) {
    std::vector<std::uint8_t> pixels;
    pixels.reserve(image.pixels.size());
    for (std::size_t i = 0; i + 2 < image.pixels.size(); i += 3) {
        pixels.push_back(image.pixels[i + 2]);
        pixels.push_back(image.pixels[i + 1]);
        pixels.push_back(image.pixels[i]);
    }
    return encode(image.width, image.height, 3, pixels, compression);
}

std::vector<std::uint8_t> encodeTarga(const RgbaImage& image, TargaCompression compression) {
    std::vector<std::uint8_t> pixels;
    pixels.reserve(image.pixels.size());
    for (std::size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
        pixels.push_back(image.pixels[i + 2]);
        pixels.push_back(image.pixels[i + 1]);
        pixels.push_back(image.pixels[i]);
        pixels.push_back(image.pixels[i + 3]);
    }
    return encode(image.width, image.height, 4, pixels, compression);
}
