#include "songs.h"

#include "file_output.h"
#include "score.h"

#include <cstdio>
#include <string>

namespace fs = std::filesystem;

bool writeSongs(const fs::path& sourceFolder, const fs::path& mediaFolder) {
    for (const char* name : {"theme", "durge", "happy"}) {
        const fs::path source = sourceFolder / "music" / (std::string(name) + ".txt");
        const fs::path target = mediaFolder / (std::string(name) + ".mid");
        std::string text, error;
        MidiWriterSong song;
        if (!readTextFile(source.string(), text, error) || !parseScore(text, song, error)) {
            std::fprintf(stderr, "umbrafall-mediagen: %s: %s\n", source.c_str(), error.c_str());
            return false;
        }
        if (!writeFileAtomically(target.string(), encodeMidiFile(song), error)) {
            std::fprintf(stderr, "umbrafall-mediagen: %s: %s\n", target.c_str(), error.c_str());
            return false;
        }
        const double seconds = static_cast<double>(song.endTick) / song.division * song.tempo / 1e6;
        std::printf("%s: %zu tracks, %.1f s\n", target.filename().c_str(), song.tracks.size() + 1, seconds);
    }
    return true;
}
