// umbrafall-mediagen MEDIA_FOLDER SOURCE_FOLDER
// Writes the game's generated media: the level bitmaps from the hand-drawn
// maps in SOURCE_FOLDER/levels, the cave rock texture, the title picture and
// the models with their textures, the sound effects, the songs from the scores
// in SOURCE_FOLDER/music, and a newcomer's game.ini when there is none.
// The same inputs always give the same bytes.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "bmp_writer.h"
#include "file_output.h"
#include "font_lookup.h"
#include "jpeg_writer.h"
#include "level_maps.h"
#include "models/models.h"
#include "newcomer_settings.h"
#include "rock_texture.h"
#include "songs.h"
#include "sounds/sounds.h"
#include "splash.h"
#include "walk_check.h"

namespace fs = std::filesystem;

namespace {

constexpr int MaxLevels = 16;  // the game reads no more level files than this
constexpr int RockSize = 256;
constexpr int JpegQuality = 90;

bool fail(const std::string& where, const std::string& what) {
    std::fprintf(stderr, "umbrafall-mediagen: %s: %s\n", where.c_str(), what.c_str());
    return false;
}

// Level files in byte order of their names, the order the game plays them in.
bool findLevelSources(const fs::path& folder, std::vector<fs::path>& sources) {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("cavemap", 0) == 0 && entry.path().extension() == ".txt")
            sources.push_back(entry.path());
    }
    if (ec) return fail(folder.string(), ec.message());
    std::sort(sources.begin(), sources.end(), [](const fs::path& a, const fs::path& b) {
        return a.filename().string() < b.filename().string();
    });
    if (sources.empty()) return fail(folder.string(), "no level maps (cavemap*.txt)");
    if (sources.size() > MaxLevels)
        return fail(folder.string(), std::to_string(sources.size()) + " level maps, the game reads only " +
                                         std::to_string(MaxLevels));
    return true;
}

// Every map is checked before any bitmap is written, so a bad map leaves the
// media folder as it was.
bool writeLevels(const fs::path& sourceFolder, const fs::path& mediaFolder) {
    std::vector<fs::path> sources;
    if (!findLevelSources(sourceFolder / "levels", sources)) return false;
    std::vector<LevelGrid> grids(sources.size());
    int walkFaults = 0;
    for (std::size_t index = 0; index < sources.size(); ++index) {
        const std::string source = sources[index].string();
        std::string text;
        std::string error;
        if (!readTextFile(source, text, error)) return fail(source, error);
        if (!parseLevelText(text, grids[index], error)) return fail(source, error);
        if (!checkLevel(grids[index], static_cast<int>(index), error)) return fail(source, error);
        // Every map's walk faults are listed before giving up, to redraw them all at once.
        std::vector<WalkFault> faults;
        if (!checkWalks(grids[index], faults) && faults.empty()) faults.push_back({0, 0, "not walked"});
        for (const WalkFault& fault : faults)
            std::fprintf(stderr, "umbrafall-mediagen: %s: column %d, row %d: %s\n", source.c_str(),
                         fault.column, fault.row, fault.what.c_str());
        if (!faults.empty()) fail(source, std::to_string(faults.size()) + " walk faults");
        walkFaults += static_cast<int>(faults.size());
    }
    if (walkFaults > 0) return fail(sourceFolder.string(), "the levels have walk faults");
    for (std::size_t index = 0; index < sources.size(); ++index) {
        const LevelGrid& grid = grids[index];
        const fs::path target = mediaFolder / fs::path(sources[index].filename()).replace_extension(".bmp");
        std::string error;
        if (!writeFileAtomically(target.string(), encodeBmp(levelBitmap(grid)), error))
            return fail(target.string(), error);
        int startColumn = 0;
        int startRow = 0;
        findStartCell(grid, startColumn, startRow);
        std::printf("%s: %d x %d cells, %d open, start at column %d, row %d\n", target.filename().c_str(),
                    grid.width, grid.height, countOpenCells(grid), startColumn, startRow);
    }
    return true;
}

bool writeJpeg(const fs::path& target, const RgbImage& image) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!encodeJpeg(image, JpegQuality, bytes, error)) return fail(target.string(), error);
    if (!writeFileAtomically(target.string(), bytes, error)) return fail(target.string(), error);
    std::printf("%s: %d x %d\n", target.filename().c_str(), image.width, image.height);
    return true;
}

bool writeSplash(const fs::path& target) {
    std::string fontFile;
    std::string error;
    if (!findFontFile("sans-serif:bold", fontFile, error)) return fail(target.string(), error);
    RgbImage splash;
    if (!makeSplash(fontFile, splash, error)) return fail(target.string(), error);
    return writeJpeg(target, splash);
}

bool writeModels(const fs::path& mediaFolder) {
    std::vector<MediaFile> files;
    std::string error;
    if (!makeModelMedia(files, error)) return fail("models", error);
    for (const MediaFile& file : files) {
        const fs::path target = mediaFolder / file.name;
        if (!writeFileAtomically(target.string(), file.bytes, error)) return fail(target.string(), error);
        std::printf("%s: %zu bytes\n", file.name.c_str(), file.bytes.size());
    }
    return true;
}

bool writeSettings(const fs::path& mediaFolder) {
    bool written = false;
    std::string error;
    if (!writeNewcomerSettings(mediaFolder.string(), written, error)) return fail("game.ini", error);
    std::puts(written ? "game.ini: the newcomer's settings" : "game.ini: kept as it is");
    return true;
}

bool writeSounds(const fs::path& mediaFolder) {
    std::vector<MediaFile> files;
    makeSoundMedia(files);
    for (const MediaFile& file : files) {
        const fs::path target = mediaFolder / file.name;
        std::string error;
        if (!writeFileAtomically(target.string(), file.bytes, error)) return fail(target.string(), error);
        std::printf("%s: %zu bytes\n", file.name.c_str(), file.bytes.size());
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: umbrafall-mediagen MEDIA_FOLDER SOURCE_FOLDER\n");
        return 2;
    }
    const fs::path mediaFolder = argv[1];
    const fs::path sourceFolder = argv[2];
    std::error_code ec;
    fs::create_directories(mediaFolder, ec);
    if (ec) {
        fail(mediaFolder.string(), ec.message());
        return 1;
    }

    if (!writeLevels(sourceFolder, mediaFolder)) return 1;
    if (!writeJpeg(mediaFolder / "Cliffs1.jpg", makeRockTexture(RockSize))) return 1;
    if (!writeSplash(mediaFolder / "splash.jpg")) return 1;
    if (!writeModels(mediaFolder)) return 1;
    if (!writeSounds(mediaFolder)) return 1;
    if (!writeSongs(sourceFolder, mediaFolder)) return 1;
    if (!writeSettings(mediaFolder)) return 1;
    return 0;
}
