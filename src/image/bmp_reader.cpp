// Windows bitmaps.
#include "image/reader_support.h"

#include <algorithm>
#include <cstring>

namespace {

using namespace image_reading;

enum : std::uint32_t { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3, BiAlphaBitfields = 6 };

// One colour channel of a 16- or 32-bit pixel, scaled to 0..255.
struct BitField {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t top = 0;  // mask >> shift

    explicit BitField(std::uint32_t m) : mask(m) {
        if (m == 0) return;
        while ((m & 1) == 0) {
            m >>= 1;
            ++shift;
        }
        top = m;
    }

    std::uint8_t operator()(std::uint32_t v) const {
        if (top == 0) return 0;
        const std::uint64_t x = (v & mask) >> shift;
        return static_cast<std::uint8_t>((x * 255 + top / 2) / top);
    }
};

struct Bitmap {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bits = 0;
    std::uint32_t compression = BiRgb;
    std::uint32_t masks[3] = {};  // red, green, blue
    std::uint8_t palette[256][3] = {};
    unsigned paletteSize = 0;
    std::size_t dataOffset = 0;
};

bool ReadBmpHeader(const std::uint8_t* data, std::size_t size, Bitmap& bmp) {
    if (size < 14 + 12 || data[0] != 'B' || data[1] != 'M') return false;
    const std::uint32_t headerSize = Read32(data + 14);
    if (headerSize > size - 14) return false;
    const std::uint8_t* h = data + 14;

    std::int64_t width = 0, height = 0;
    std::uint32_t colours = 0;
    std::size_t entrySize = 4;
    if (headerSize == 12) {
        width = Read16(h + 4);
        height = Read16(h + 6);
        bmp.bits = static_cast<int>(Read16(h + 10));
        entrySize = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
               headerSize == 124) {
        width = static_cast<std::int32_t>(Read32(h + 4));
        height = static_cast<std::int32_t>(Read32(h + 8));
        bmp.bits = static_cast<int>(Read16(h + 14));
        bmp.compression = Read32(h + 16);
        colours = Read32(h + 32);
    } else {
        return false;
    }
    bmp.topDown = height < 0;
    if (bmp.topDown) height = -height;
    if (!SizeAllowed(width, height)) return false;
    bmp.width = static_cast<int>(width);
    bmp.height = static_cast<int>(height);

    const int bits = bmp.bits;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    std::size_t tableAt = 14 + headerSize;
    static constexpr std::uint32_t Masks16[3] = {0x7C00, 0x03E0, 0x001F};
    static constexpr std::uint32_t Masks32[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    if (bits == 16) std::memcpy(bmp.masks, Masks16, sizeof Masks16);
    if (bits == 32) std::memcpy(bmp.masks, Masks32, sizeof Masks32);
    switch (bmp.compression) {
        case BiRgb: break;
        case BiRle8:
            if (bits != 8) return false;
            break;
        case BiRle4:
            if (bits != 4) return false;
            break;
        case BiBitfields:
        case BiAlphaBitfields: {
            if (bits != 16 && bits != 32) return false;
            const std::uint8_t* m = h + 40;
            if (headerSize < 52) {
                // The masks follow a 40-byte header.
                const std::size_t length = bmp.compression == BiBitfields ? 12 : 16;
                if (length > size - tableAt) return false;
                m = data + tableAt;
                tableAt += length;
            }
            for (int c = 0; c < 3; ++c) bmp.masks[c] = Read32(m + 4 * c);
            break;
        }
        default: return false;
    }

    // The palette ends where the pixels begin, whatever the header claims.
    bmp.dataOffset = Read32(data + 10);
    if (bmp.dataOffset > size) return false;
    if (bits <= 8) {
        std::size_t entries = std::size_t{1} << bits;
        if (colours != 0 && colours < entries) entries = colours;
        if (bmp.dataOffset < tableAt) return false;
        entries = std::min(entries, (bmp.dataOffset - tableAt) / entrySize);
        if (entries == 0) return false;
        for (std::size_t k = 0; k < entries; ++k) {
            std::memcpy(bmp.palette[k], data + tableAt + k * entrySize, 3);
        }
        bmp.paletteSize = static_cast<unsigned>(entries);
    }
    return true;
}

std::uint8_t* BmpRow(const Bitmap& bmp, Image& out, int fileRow) {
    const int row = bmp.topDown ? fileRow : bmp.height - 1 - fileRow;
    return out.pixels.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(bmp.width) * 4;
}

void PutColour(std::uint8_t* p, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    p[0] = blue;
    p[1] = green;
    p[2] = red;
    p[3] = 0;
}

bool PutIndex(const Bitmap& bmp, std::uint8_t* row, int x, unsigned index) {
    if (index >= bmp.paletteSize) return false;
    const std::uint8_t* c = bmp.palette[index];
    PutColour(row + 4 * x, c[0], c[1], c[2]);
    return true;
}

bool DecodeBmpRows(const std::uint8_t* data, std::size_t size, const Bitmap& bmp, Image& out) {
    const std::uint64_t rowBits =
        static_cast<std::uint64_t>(bmp.width) * static_cast<std::uint64_t>(bmp.bits);
    const std::uint64_t stride = (rowBits + 31) / 32 * 4;
    // The last row's padding may be missing.
    const std::uint64_t needed = stride * static_cast<std::uint64_t>(bmp.height - 1) + (rowBits + 7) / 8;
    if (needed > size - bmp.dataOffset) return false;
    StartImage(out, bmp.width, bmp.height);

    const BitField red(bmp.masks[0]), green(bmp.masks[1]), blue(bmp.masks[2]);
    for (int y = 0; y < bmp.height; ++y) {
        const std::uint8_t* src = data + bmp.dataOffset + stride * static_cast<std::uint64_t>(y);
        std::uint8_t* row = BmpRow(bmp, out, y);
        for (int x = 0; x < bmp.width; ++x) {
            bool ok = true;
            switch (bmp.bits) {
                case 1: ok = PutIndex(bmp, row, x, (src[x >> 3] >> (7 - (x & 7))) & 1); break;
                case 4: ok = PutIndex(bmp, row, x, (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15); break;
                case 8: ok = PutIndex(bmp, row, x, src[x]); break;
                case 24: PutColour(row + 4 * x, src[3 * x], src[3 * x + 1], src[3 * x + 2]); break;
                case 16: {
                    const std::uint32_t v = Read16(src + 2 * x);
                    PutColour(row + 4 * x, blue(v), green(v), red(v));
                    break;
                }
                default: {
                    const std::uint32_t v = Read32(src + 4 * x);
                    PutColour(row + 4 * x, blue(v), green(v), red(v));
                    break;
                }
            }
            if (!ok) return false;
        }
    }
    return true;
}

// RLE8 and RLE4. Runs are clipped at the row's end; the stream must end with
// end-of-bitmap or run past the last row, else the file is truncated.
bool DecodeBmpRle(const std::uint8_t* data, std::size_t size, const Bitmap& bmp, Image& out) {
    const std::uint8_t* p = data + bmp.dataOffset;
    const std::size_t n = size - bmp.dataOffset;
    const bool rle8 = bmp.compression == BiRle8;
    StartImage(out, bmp.width, bmp.height);
    for (std::size_t i = 0; i < out.pixels.size(); i += 4) {
        PutColour(&out.pixels[i], bmp.palette[0][0], bmp.palette[0][1], bmp.palette[0][2]);
    }

    std::size_t at = 0;
    int x = 0, y = 0;
    while (y < bmp.height) {
        if (n - at < 2) return false;
        const unsigned count = p[at], value = p[at + 1];
        at += 2;
        std::uint8_t* row = BmpRow(bmp, out, y);
        if (count > 0) {
            for (unsigned k = 0; k < count && x < bmp.width; ++k, ++x) {
                const unsigned index = rle8 ? value : ((k & 1) ? value & 15 : value >> 4);
                if (!PutIndex(bmp, row, x, index)) return false;
            }
        } else if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            break;
        } else if (value == 2) {  // delta
            if (n - at < 2) return false;
            x = std::min(bmp.width, x + p[at]);
            y += p[at + 1];
            at += 2;
        } else {  // absolute run, padded to a 16-bit boundary
            std::size_t length = rle8 ? value : (value + 1) / 2;
            length += length & 1;
            if (n - at < length) return false;
            for (unsigned k = 0; k < value && x < bmp.width; ++k, ++x) {
                const unsigned index = rle8 ? p[at + k] : ((k & 1) ? p[at + k / 2] & 15 : p[at + k / 2] >> 4);
                if (!PutIndex(bmp, row, x, index)) return false;
            }
            at += length;
        }
    }
    return true;
}

}  // namespace

bool DecodeBmp(const std::uint8_t* data, std::size_t size, Image& out) {
    out = Image{};
    Bitmap bmp;
    if (!data || !ReadBmpHeader(data, size, bmp)) return false;
    const bool rle = bmp.compression == BiRle8 || bmp.compression == BiRle4;
    return Finish(rle ? DecodeBmpRle(data, size, bmp, out) : DecodeBmpRows(data, size, bmp, out), out);
}
