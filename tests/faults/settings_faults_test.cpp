// A damaged or locked game.ini: the game still starts with values the
// launcher could have chosen, and the player's file is never lost.

#include "fault_run.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Size {
    int width, height;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// The game's own "Key=" lines get the values chosen at start.
bool GameOwns(const std::string& line) {
    for (const char* key :
         {"Windowed=", "Lights=", "Music=", "Joystick=", "UseHiQualTex=", "Width=", "Height=", "UseScreenRes="})
        if (line.rfind(key, 0) == 0) return true;
    return false;
}

// Every line of `before` the game does not own is in `after`, in the same order.
bool KeepsEveryLine(const std::string& before, const std::string& after) {
    std::vector<std::string> old;
    for (std::string& line : Lines(before))
        if (!GameOwns(line)) old.push_back(std::move(line));
    const std::vector<std::string> now = Lines(after);
    std::size_t next = 0;
    for (const std::string& line : now)
        if (next < old.size() && line == old[next]) ++next;
    return next == old.size();
}

std::string Noise(std::size_t size, bool printable) {
    std::string bytes(size, '\0');
    std::uint32_t state = 777;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        const unsigned value = state >> 24;
        byte = static_cast<char>(printable ? (value % 10 == 0 ? '\n' : ' ' + value % 95) : value);
    }
    return bytes;
}

std::string Describe(const FaultRun& run) {
    if (run.endedFatally || !run.runningAtEnd) return "did not play";
    return "plays at " + std::to_string(run.window.width) + "x" + std::to_string(run.window.height) +
           (run.settings.Windowed ? " windowed" : " full screen") + ", music " + (run.settings.Music ? "on" : "off");
}

class SettingsFaultsTest : public ::testing::Test {
protected:
    ~SettingsFaultsTest() override {
        std::printf("%s", FormatTable(rows_).c_str());
    }

    // One run on `contents` as game.ini; checks what every such run must do.
    FaultRun play(const std::string& label, const std::string& contents, Size expected) {
        if (game_.read("game.ini") != contents) game_.write("game.ini", contents);
        FolderListing before = ListFolder(game_.path());
        const FaultRun run = game_.play(false);
        FolderListing after = ListFolder(game_.path());
        before.erase("media/game.ini");
        after.erase("media/game.ini");
        EXPECT_TRUE(before == after) << label << ": the run wrote beside game.ini";
        EXPECT_TRUE(run.runningAtEnd) << label;
        EXPECT_TRUE(run.boxes.empty()) << label << ": " << (run.boxes.empty() ? "" : run.boxes[0].text);
        EXPECT_EQ(run.window.width, expected.width) << label;
        EXPECT_EQ(run.window.height, expected.height) << label;
        EXPECT_FALSE(run.window.fullscreen) << label;
        rows_.push_back({label, Describe(run), describeFile(contents)});
        return run;
    }

    std::string describeFile(const std::string& before) const {
        const std::string after = game_.read("game.ini");
        if (after == before) return "left as it was";
        return KeepsEveryLine(before, after) ? "rewritten, every line kept" : "LINES LOST";
    }

    FaultGameFolder game_;
    std::vector<std::vector<std::string>> rows_{{"game.ini", "start", "file afterwards"}};
};

TEST_F(SettingsFaultsTest, DamagedFilesStartWithSaneValuesAndKeepEveryLine) {
    const std::string longLine = "; " + std::string(1000 * 1000, 'x');
    struct Case {
        const char* label;
        std::string contents;
        Size size;
        int music;
    };
    const Case cases[] = {
        {"printable garbage", Noise(4000, true), {640, 480}, 0},
        {"binary noise", Noise(4000, false), {640, 480}, 0},
        {"a 1 MB line", "[Game]\nUseScreenRes=1\n" + longLine + "\nMusic=1\n", {800, 600}, 1},
        {"no section", "UseScreenRes=2\nMusic=1\n", {640, 480}, 0},
        {"duplicate keys", "[Game]\nUseScreenRes=1\nUseScreenRes=2\nMusic=1\nMusic=0\n", {800, 600}, 1},
        {"out-of-range values", "[Game]\nUseScreenRes=99\nWidth=-5\nHeight=99999999999\nWindowed=7\nMusic=-1\n",
         {640, 480}, 1},
        {"negative list entry", "[Game]\nUseScreenRes=-2147483648\nWidth=0\nHeight=0\n", {640, 480}, 0},
    };
    for (const Case& c : cases) {
        const FaultRun run = play(c.label, c.contents, c.size);
        EXPECT_EQ(run.settings.Music, c.music) << c.label;
        EXPECT_EQ(run.settings.Windowed, 1) << c.label;
        const std::string after = game_.read("game.ini");
        EXPECT_TRUE(KeepsEveryLine(c.contents, after)) << c.label << ": the player's lines were lost";
        EXPECT_NE(after.find("UseScreenRes="), std::string::npos) << c.label << ": the choices were not saved";
    }
}

TEST_F(SettingsFaultsTest, AFileTooLargeToBeSettingsIsNeverRewritten) {
    const std::string huge = "[Game]\nUseScreenRes=1\n" + std::string(2 << 20, 'y') + "\n";
    play("a 2 MiB file", huge, {640, 480});
    EXPECT_TRUE(game_.read("game.ini") == huge);
}

TEST_F(SettingsFaultsTest, ReadOnlyFileIsReadAndLeftAsItIs) {
    const std::string text = "[Game]\nUseScreenRes=1\nMusic=1\n; mine\n";
    game_.write("game.ini", text);
    ASSERT_EQ(::chmod(game_.media("game.ini").c_str(), 0444), 0);
    const FaultRun run = play("a read-only file", text, {800, 600});
    EXPECT_EQ(run.settings.Music, 1);
    EXPECT_EQ(game_.read("game.ini"), text);
    struct stat info {};
    ASSERT_EQ(::stat(game_.media("game.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0444u);
}

TEST_F(SettingsFaultsTest, ReadOnlyFolderNeverLosesTheFile) {
    const std::string text = "[Game]\nUseScreenRes=4\n; mine\n";
    game_.write("game.ini", text);
    fs::permissions(game_.path() + "/media", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    play("a read-only folder", text, {320, 240});
    fs::permissions(game_.path() + "/media", fs::perms::owner_write, fs::perm_options::add);
    // Whoever may still write there (root) gets the choices saved; nobody loses a line.
    EXPECT_TRUE(KeepsEveryLine(text, game_.read("game.ini")));
    EXPECT_FALSE(fs::exists(game_.media("game.ini.new")));
}

}  // namespace
