// libFuzzer entry: any bytes as game.ini. Loading gives the settings the
// file holds; saving them back keeps the file whole (no temporary left
// behind) and a second load reads exactly what was saved.

#include "app/ini_file.h"
#include "app/settings.h"
#include "fuzz_folder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

namespace {

const FuzzFolder Folder;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Folder.write("game.ini", data, size);
    GameSettings loaded;
    loaded.Load();

    GameSettings saved = loaded;
    saved.Windowed = loaded.Windowed == 0 ? 1 : 0;
    saved.Width = loaded.Width == 800 ? 1024 : 800;
    saved.UseScreenRes = loaded.UseScreenRes == 2 ? 1 : 2;
    saved.Save();
    if (std::filesystem::exists(Folder.media("game.ini.new"))) std::abort();

    GameSettings again;
    again.Load();
    if (size > IniFile::MaxFileSize) {
        // Not ours to rewrite: left exactly as it was.
        if (std::filesystem::file_size(Folder.media("game.ini")) != size) std::abort();
        return 0;
    }
    if (again.Windowed != saved.Windowed || again.Lights != saved.Lights || again.Music != saved.Music ||
        again.Joystick != saved.Joystick || again.UseHiQualTex != saved.UseHiQualTex ||
        again.Width != saved.Width || again.Height != saved.Height || again.UseScreenRes != saved.UseScreenRes)
        std::abort();
    return 0;
}
