// Media names that are not regular files: a named pipe with no writer, a
// folder, a device. Each reader must refuse them at once, as it refuses a
// missing file, and must never block waiting on a pipe.

#include "app/ini_file.h"
#include "app/media_path.h"
#include "audio/midi_player.h"
#include "audio/wav_loader.h"
#include "image/image_decoder.h"
#include "model/a3f_reader.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "support/temp_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <string>

namespace {

namespace headless = platform::headless;

class NonRegularFilesTest : public GameFolderTest {
protected:
    void makePipe(const std::string& name) { ASSERT_EQ(::mkfifo(folder_.media(name).c_str(), 0644), 0); }
    void makeFolder(const std::string& name) { std::filesystem::create_directory(folder_.media(name)); }

    // Runs `work` on a thread of its own. Should it block for a while on one
    // of the pipes, a writer comes and goes so that it ends, and the test fails.
    void withinTime(const std::function<void()>& work) {
        auto done = std::async(std::launch::async, work);
        if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready) return;
        ADD_FAILURE() << "the reader waited on a named pipe";
        do {
            for (const auto& entry : std::filesystem::directory_iterator(folder_.path() + "/media")) {
                if (!entry.is_fifo()) continue;
                const int writer = ::open(entry.path().c_str(), O_WRONLY | O_NONBLOCK);
                if (writer >= 0) ::close(writer);
            }
        } while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready);
    }

    static std::string openMessage(const std::string& path) {
        return "Could not open file: " + path + " The application will continue.";
    }
};

TEST_F(NonRegularFilesTest, OnlyRegularFilesOpen) {
    folder_.writeMedia("plain.txt", "abc");
    makePipe("pipe");
    makeFolder("folder");
    withinTime([&] {
        std::FILE* file = platform::OpenFileForReading(folder_.media("plain.txt").c_str());
        ASSERT_NE(file, nullptr);
        char text[8] = {};
        EXPECT_EQ(std::fread(text, 1, sizeof text, file), 3u) << "reads block again after the open";
        EXPECT_STREQ(text, "abc");
        std::fclose(file);

        EXPECT_EQ(platform::OpenFileForReading(folder_.media("pipe").c_str()), nullptr);
        EXPECT_EQ(platform::OpenFileForReading(folder_.media("folder").c_str()), nullptr);
        EXPECT_EQ(platform::OpenFileForReading("/dev/null"), nullptr);
        EXPECT_EQ(platform::OpenFileForReading(folder_.media("missing").c_str()), nullptr);
        EXPECT_EQ(platform::OpenFileForReading(nullptr), nullptr);
    });
}

TEST_F(NonRegularFilesTest, PipeWithAWriterIsRefusedToo) {
    makePipe("pipe");
    const std::string pipe = folder_.media("pipe");
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "xyz", 3), 3);
    EXPECT_EQ(platform::OpenFileForReading(pipe.c_str()), nullptr);
    char left[4];
    EXPECT_EQ(::read(reader, left, sizeof left), 3) << "the refused open took nothing from the pipe";
    ::close(writer);
    ::close(reader);
}

TEST_F(NonRegularFilesTest, ModelAndSoundReadersReportThemAsUnopenable) {
    makePipe("monster.a3f");
    makeFolder("chest.a3f");
    makePipe("step.wav");
    makeFolder("coins.wav");
    withinTime([&] {
        std::vector<char> bytes;
        EXPECT_FALSE(readModelFile("monster.a3f", bytes));
        EXPECT_FALSE(readModelFile("chest.a3f", bytes));
        EXPECT_EQ(LoadSoundSample("step.wav"), -1);
        EXPECT_EQ(LoadSoundSample("coins.wav"), -1);
    });
    const auto& boxes = headless::MessageBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].text, openMessage(folder_.media("monster.a3f")));
    EXPECT_EQ(boxes[1].text, openMessage(folder_.media("chest.a3f")));
    EXPECT_EQ(boxes[2].text, openMessage(folder_.media("step.wav")));
    EXPECT_EQ(boxes[3].text, openMessage(folder_.media("coins.wav")));
    EXPECT_EQ(boxes[3].caption, "ERROR");
}

TEST_F(NonRegularFilesTest, PicturesSongsAndSettingsReadAsMissing) {
    makePipe("chest.bmp");
    makeFolder("rock.jpg");
    makePipe("theme.mid");
    makePipe("game.ini");
    withinTime([&] {
        int width = -1, height = -1;
        EXPECT_TRUE(DecodeImage("chest.bmp", width, height).empty());
        EXPECT_EQ(width, 0);
        EXPECT_TRUE(DecodeImage("rock.jpg", width, height).empty());
        EXPECT_TRUE(LoadSong("theme.mid")) << "a missing song is silence, not an error";
        EXPECT_EQ(MidiSong.eventCount, 0);
        IniFile ini;
        ini.Load(folder_.media("game.ini"));
        EXPECT_EQ(ini.GetInt("Game", "Width", 123), 123);
    });
    EXPECT_TRUE(headless::MessageBoxes().empty());
}

TEST_F(NonRegularFilesTest, SettingsSaveNeverWritesIntoAPipeOrOverAFolderOrAReadOnlyFile) {
    makePipe("game.ini");
    makeFolder("sub");
    makeFolder("sub/game.ini");
    folder_.writeMedia("locked.ini", "[Game]\nWidth=800\n");
    ASSERT_EQ(::chmod(folder_.media("locked.ini").c_str(), 0444), 0);
    withinTime([&] {
        IniFile ini;
        ini.SetString("Game", "Width", "640");
        EXPECT_TRUE(ini.Save(folder_.media("game.ini"))) << "the pipe is replaced by a file";
        EXPECT_FALSE(ini.Save(folder_.media("sub/game.ini")));
        EXPECT_FALSE(ini.Save(folder_.media("locked.ini")));
    });
    EXPECT_TRUE(std::filesystem::is_regular_file(folder_.media("game.ini")));
    EXPECT_EQ(folder_.readMedia("game.ini"), "[Game]\nWidth=640\n");
    EXPECT_TRUE(std::filesystem::is_directory(folder_.media("sub/game.ini")));
    EXPECT_FALSE(std::filesystem::exists(folder_.media("sub/game.ini.new")));
    EXPECT_EQ(folder_.readMedia("locked.ini"), "[Game]\nWidth=800\n");
    EXPECT_FALSE(std::filesystem::exists(folder_.media("locked.ini.new")));
}

}  // namespace
