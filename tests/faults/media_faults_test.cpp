// Every shipped media file, one at a time, missing, empty, cut in half, full
// of noise, or replaced by a folder or a named pipe: the game either plays on
// after the loader's own message or stops at the fatal box, and never writes
// anything but game.ini.

#include "fault_run.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using platform::headless::CapturedMessageBox;

enum class Fault { Missing, Empty, Truncated, Garbage, Folder, Pipe };
enum class Kind { FirstLevel, Level, Model, Texture, Sound, Song, Splash };

const char* FaultName(Fault fault) {
    switch (fault) {
        case Fault::Missing: return "missing";
        case Fault::Empty: return "empty";
        case Fault::Truncated: return "truncated";
        case Fault::Garbage: return "garbage";
        case Fault::Folder: return "folder";
        case Fault::Pipe: return "pipe";
    }
    return "?";
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

Kind KindOf(const std::string& name, const std::string& firstLevel) {
    if (name == firstLevel) return Kind::FirstLevel;
    if (StartsWith(name, "cavemap")) return Kind::Level;
    if (EndsWith(name, ".a3f")) return Kind::Model;
    if (EndsWith(name, ".wav")) return Kind::Sound;
    if (EndsWith(name, ".mid")) return Kind::Song;
    if (name == "splash.jpg") return Kind::Splash;
    return Kind::Texture;
}

// A run that hangs ends the whole test, naming its case.
char HangingCase[128];
constexpr unsigned HangSeconds = 60;

void ReportHang(int) {
    static const char prefix[] = "\nthis run hung: ";
    (void)!::write(2, prefix, sizeof prefix - 1);
    (void)!::write(2, HangingCase, std::strlen(HangingCase));
    (void)!::write(2, "\n", 1);
    ::_exit(3);
}

// Under the sanitizers, which make each run several times slower, a file that
// cannot be opened is tried for one file of each kind: they all take the same path.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif
#else
constexpr bool Sanitized = false;
#endif

const std::string GoesOn = " The application will continue.";
const std::string FatalText = "Could not load media. The application cannot continue.";

std::string Noise(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

// What the run came to, for the table.
std::string Outcome(const FaultRun& run) {
    if (run.endedFatally) return run.startStatus == -1 ? "fatal box, -1 at start-up" : "fatal box on that level";
    if (run.boxes.empty()) return "plays on, silent";
    std::string first = run.boxes[0].text.substr(0, run.boxes[0].text.find(':') + 1);
    return "plays on: \"" + first + "\"" + (run.boxes.size() > 1 ? " x" + std::to_string(run.boxes.size()) : "");
}

class MediaFaultsTest : public ::testing::Test {
protected:
    void runMatrix(Fault fault) {
        std::vector<std::vector<std::string>> rows{{"file", "fault", "outcome"}};
        const std::vector<std::string>& files = game_.shippedFiles();
        std::string firstLevel;
        for (const std::string& name : files)
            if (StartsWith(name, "cavemap") && firstLevel.empty()) firstLevel = name;
        ASSERT_FALSE(firstLevel.empty());
        const bool unopenable = fault == Fault::Missing || fault == Fault::Folder || fault == Fault::Pipe;
        std::vector<Kind> tried;
        for (const std::string& name : files) {
            const Kind kind = KindOf(name, firstLevel);
            if (Sanitized && unopenable) {
                if (std::find(tried.begin(), tried.end(), kind) != tried.end()) continue;
                tried.push_back(kind);
            }
            SCOPED_TRACE(name + " " + FaultName(fault));
            const bool song = EndsWith(name, ".mid");
            // Music only where a song is at fault; the smallest window.
            game_.write("game.ini", song ? "[Game]\nUseScreenRes=4\nMusic=1\n" : "[Game]\nUseScreenRes=4\n");
            apply(fault, name);
            const FolderListing before = ListFolder(game_.path());
            std::snprintf(HangingCase, sizeof HangingCase, "%s %s", name.c_str(), FaultName(fault));
            ::signal(SIGALRM, ReportHang);
            ::alarm(HangSeconds);
            const FaultRun run = game_.play(song);
            ::alarm(0);
            FolderListing after = ListFolder(game_.path());
            after.erase("media/game.ini");
            FolderListing expected = before;
            expected.erase("media/game.ini");
            EXPECT_TRUE(after == expected) << "the run wrote beside game.ini";
            check(run, kind, fault, name);
            rows.push_back({name, FaultName(fault), Outcome(run)});
            game_.restore(name);
        }
        std::printf("%s", FormatTable(rows).c_str());
    }

    void apply(Fault fault, const std::string& name) {
        const std::string path = game_.media(name);
        const std::string bytes = game_.shipped(name);
        fs::remove(path);
        switch (fault) {
            case Fault::Missing: break;
            case Fault::Empty: game_.write(name, ""); break;
            case Fault::Truncated: game_.write(name, bytes.substr(0, bytes.size() / 2)); break;
            case Fault::Garbage: game_.write(name, Noise(bytes.size())); break;
            case Fault::Folder: fs::create_directory(path); break;
            case Fault::Pipe: ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); break;
        }
    }

    void check(const FaultRun& run, Kind kind, Fault fault, const std::string& name) const {
        int fatalBoxes = 0;
        for (const CapturedMessageBox& box : run.boxes) {
            if (box.icon == platform::MessageIcon::Error) {
                ++fatalBoxes;
                EXPECT_EQ(box.text, FatalText);
                EXPECT_EQ(box.caption, "SHUTDOWN ERROR");
            } else {
                EXPECT_TRUE(EndsWith(box.text, GoesOn)) << box.text;
                EXPECT_EQ(box.caption, "ERROR");
            }
        }
        EXPECT_LE(fatalBoxes, 1);
        if (fatalBoxes == 1) {
            EXPECT_EQ(run.boxes.back().icon, platform::MessageIcon::Error) << "nothing after it";
        }
        EXPECT_EQ(run.runningAtEnd, !run.endedFatally);

        const bool unopenable = fault == Fault::Missing || fault == Fault::Folder || fault == Fault::Pipe;
        const std::string cannotOpen = "Could not open file: " + game_.media(name) + GoesOn;
        const std::string noTexture = "Unable to load the texture file: " + name + GoesOn;
        switch (kind) {
            case Kind::FirstLevel:
            case Kind::Level:
                if (unopenable) {
                    // Not a level file at all: the next one takes its place.
                    EXPECT_FALSE(run.endedFatally);
                    EXPECT_TRUE(run.boxes.empty());
                } else {
                    EXPECT_TRUE(run.endedFatally);
                    EXPECT_EQ(run.startStatus, kind == Kind::FirstLevel ? -1 : 0);
                    for (std::size_t i = 0; i + 1 < run.boxes.size(); ++i)
                        EXPECT_TRUE(StartsWith(run.boxes[i].text, "Bad level map: " + name)) << run.boxes[i].text;
                }
                return;
            case Kind::Model:
                EXPECT_FALSE(run.endedFatally);
                ASSERT_FALSE(run.boxes.empty()) << "a model that cannot be read is reported";
                for (const CapturedMessageBox& box : run.boxes) {
                    if (unopenable) {
                        EXPECT_EQ(box.text, cannotOpen);
                    } else {
                        bool known = false;
                        for (const char* message : {"Not an .a3f file:", "Failed to find section VERTICES:",
                                                    "Failed to find section FACES:", "Bad vertex format:",
                                                    "Bad model:"})
                            known = known || StartsWith(box.text, std::string(message) + " ");
                        EXPECT_TRUE(known) << box.text;
                    }
                }
                return;
            case Kind::Texture:
                EXPECT_FALSE(run.endedFatally);
                EXPECT_FALSE(run.boxes.empty()) << "a texture that cannot be read is reported";
                for (const CapturedMessageBox& box : run.boxes) EXPECT_EQ(box.text, noTexture);
                return;
            case Kind::Sound:
                EXPECT_FALSE(run.endedFatally);
                if (unopenable) {
                    ASSERT_EQ(run.boxes.size(), 1u);
                    EXPECT_EQ(run.boxes[0].text, cannotOpen);
                } else {
                    EXPECT_TRUE(run.boxes.empty()) << "only a sound file that cannot be opened is reported";
                }
                return;
            case Kind::Song:
            case Kind::Splash:
                EXPECT_FALSE(run.endedFatally);
                EXPECT_TRUE(run.boxes.empty());
                return;
        }
    }

    FaultGameFolder game_;
};

TEST_F(MediaFaultsTest, EachFileMissing) { runMatrix(Fault::Missing); }
TEST_F(MediaFaultsTest, EachFileEmpty) { runMatrix(Fault::Empty); }
TEST_F(MediaFaultsTest, EachFileCutInHalf) { runMatrix(Fault::Truncated); }
TEST_F(MediaFaultsTest, EachFileNoiseOfTheSameSize) { runMatrix(Fault::Garbage); }
TEST_F(MediaFaultsTest, EachFileAFolder) { runMatrix(Fault::Folder); }
TEST_F(MediaFaultsTest, EachFileANamedPipe) { runMatrix(Fault::Pipe); }

}  // namespace
