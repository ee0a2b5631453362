#include "fault_run.h"

#include "app/settings.h"
#include "app/shell.h"
#include "audio/midi_player.h"
#include "cave/level_build.h"
#include "game/game_state.h"
#include "support/gl_context.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;
namespace headless = platform::headless;

namespace {

const std::string ShippedMedia = std::string(UMBRAFALL_GAME_DIR) + "/media/";

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void Frames(int count) {
    for (int i = 0; i < count && IsRunning; ++i) {
        headless::AdvanceClock(16);
        if (!RunLoopTurn()) break;
    }
}

bool FatalBoxShown() {
    for (const headless::CapturedMessageBox& box : headless::MessageBoxes())
        if (box.icon == platform::MessageIcon::Error) return true;
    return false;
}

}  // namespace

FolderListing ListFolder(const std::string& folder) {
    FolderListing listing;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::file_status status = it->symlink_status();
        const std::string name = fs::relative(it->path(), folder).string();
        std::string& entry = listing[name];
        struct stat info {};
        ::lstat(it->path().c_str(), &info);
        entry = "mode " + std::to_string(info.st_mode) + ": ";
        if (fs::is_regular_file(status)) entry += ReadAll(it->path().string());
    }
    return listing;
}

FaultGameFolder::FaultGameFolder() {
    std::string pattern = (fs::temp_directory_path() / "umbrafall-faults-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
    fs::create_directory(path_ + "/media");
    for (const fs::directory_entry& entry : fs::directory_iterator(ShippedMedia)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || name == "game.ini") continue;
        shipped_.push_back(name);
        fs::copy_file(entry.path(), media(name));
    }
    std::sort(shipped_.begin(), shipped_.end());
}

FaultGameFolder::~FaultGameFolder() {
    std::error_code ignored;
    fs::permissions(path_ + "/media", fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

std::string FaultGameFolder::shipped(const std::string& name) const { return ReadAll(ShippedMedia + name); }

void FaultGameFolder::restore(const std::string& name) const {
    fs::remove_all(media(name));
    fs::copy_file(ShippedMedia + name, media(name));
}

void FaultGameFolder::write(const std::string& name, const std::string& contents) const {
    std::ofstream(media(name), std::ios::binary | std::ios::trunc) << contents;
}

std::string FaultGameFolder::read(const std::string& name) const { return ReadAll(media(name)); }

FaultRun FaultGameFolder::play(bool music) const {
    ResetProgramState();
    headless::SetExecutableFolder(path_);
    if (music) headless::PlugMidiOutput();
    headless::SetClock(1000);
    FaultRun run;
    run.startStatus = StartProgram();
    run.settings = Settings;
    run.window = headless::Window();
    if (run.startStatus == 0) {
        Frames(3);
        for (int level = 1; level < LevelCount && IsRunning; ++level) {
            LevelIndex = level;
            StartLevel();
            Frames(2);
        }
        for (const char* song : {"durge.mid", "happy.mid", "theme.mid"}) {
            if (!IsRunning) break;
            PlaySong(song);
            Frames(2);
        }
        run.runningAtEnd = IsRunning;
        ShutdownApplication();
    }
    ReleaseProgramObjects();
    run.endedFatally = FatalBoxShown();
    run.boxes = headless::MessageBoxes();
    ResetProgramState();
    return run;
}

std::string FormatTable(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
    }
    std::string text;
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            text += row[i];
            if (i + 1 < row.size()) text += std::string(widths[i] - row[i].size() + 2, ' ');
        }
        text += '\n';
    }
    return text;
}
