#include "support/level_maps.h"

#include <cstdint>
#include <vector>

namespace {

void put16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

}  // namespace

std::string levelBitmap(std::initializer_list<const char*> rows) {
    std::vector<std::string> picture;  // top row first; 'w' white, 'k' black
    const int width = static_cast<int>(std::string(*rows.begin()).size());
    picture.push_back("wk" + std::string(static_cast<std::size_t>(width > 2 ? width - 2 : 0), 'k'));
    picture.back().resize(static_cast<std::size_t>(width), 'k');
    for (const char* row : rows) {
        std::string line;
        for (char c : std::string(row)) line += c == '.' ? 'w' : 'k';
        picture.push_back(line);
    }
    const int height = static_cast<int>(picture.size());
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    const std::uint32_t imageBytes = static_cast<std::uint32_t>(rowBytes * height);

    std::string file = "BM";
    put32(file, 54 + imageBytes);
    put32(file, 0);
    put32(file, 54);
    put32(file, 40);
    put32(file, static_cast<std::uint32_t>(width));
    put32(file, static_cast<std::uint32_t>(height));
    put16(file, 1);
    put16(file, 24);
    put32(file, 0);
    put32(file, imageBytes);
    put32(file, 2835);
    put32(file, 2835);
    put32(file, 0);
    put32(file, 0);
    for (int r = height - 1; r >= 0; --r) {
        std::string line;
        for (char c : picture[static_cast<std::size_t>(r)]) line.append(3, c == 'w' ? '\xFF' : '\0');
        line.resize(static_cast<std::size_t>(rowBytes), '\0');
        file += line;
    }
    return file;
}
