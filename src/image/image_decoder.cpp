#include "image/image_decoder.h"

#include "platform/platform.h"

#include <cstdio>
#include <cstring>

bool ReadImageFile(const char* path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    std::FILE* file = platform::OpenFileForReading(path);
    if (!file) return false;
    bool ok = true;
    std::uint8_t chunk[1 << 16];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file);
        if (n > MaxImageFileSize - bytes.size()) {
            ok = false;
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (n < sizeof chunk) {
            ok = std::ferror(file) == 0;
            break;
        }
    }
    std::fclose(file);
    if (!ok) bytes.clear();
    return ok;
}

bool DecodeImageFile(const char* path, Image& out) {
    out = Image{};
    const std::size_t length = path ? std::strlen(path) : 0;
    if (length < 3) return false;
    auto endsWith = [&](const char* kind) {
        for (int i = 0; i < 3; ++i) {
            char c = path[length - 3 + i];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (c != kind[i]) return false;
        }
        return true;
    };
    bool (*decode)(const std::uint8_t*, std::size_t, Image&) = nullptr;
    if (endsWith("BMP")) {
        decode = DecodeBmp;
    } else if (endsWith("JPG")) {
        decode = DecodeJpeg;
    } else if (endsWith("TGA")) {
        decode = DecodeTarga;
    } else {
        return false;
    }
    std::vector<std::uint8_t> bytes;
    return ReadImageFile(path, bytes) && decode(bytes.data(), bytes.size(), out);
}
