// The tool as a whole, run as its own process on the shipped media or on a
// copy of them with levels made here.

#include "model/skinned_model.h"
#include "support/level_maps.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string json;
    std::string out;
    std::string err;
};

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

class TimedemoRun : public ::testing::Test {
protected:
    ToolRun run(const std::string& arguments) const {
        const std::string json = folder_.path() + "/report.json";
        const std::string out = folder_.path() + "/stdout.txt";
        const std::string err = folder_.path() + "/stderr.txt";
        fs::remove(json);
        const std::string command = std::string("'") + UMBRAFALL_TIMEDEMO + "' " + arguments + " --json '" +
                                    json + "' >'" + out + "' 2>'" + err + "'";
        const int raw = std::system(command.c_str());
        ToolRun result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.json = ReadFile(json);
        result.out = ReadFile(out);
        result.err = ReadFile(err);
        return result;
    }

    // A media folder not called "media": the shipped files with these levels.
    std::string levelsFolder(std::initializer_list<std::initializer_list<const char*>> levels) const {
        const std::string folder = folder_.path() + "/levels-under-test";
        fs::create_directory(folder);
        for (const fs::directory_entry& entry :
             fs::directory_iterator(std::string(UMBRAFALL_GAME_DIR) + "/media")) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("cavemap", 0) == 0 || name == "game.ini") continue;
            fs::copy(entry.path(), folder + "/" + name);
        }
        int number = 1;
        for (const auto& rows : levels)
            WriteFile(folder + "/cavemap" + std::to_string(number++) + ".bmp", levelBitmap(rows));
        return folder;
    }

    std::string file(const std::string& name) const { return folder_.path() + "/" + name; }

    TempGameFolder folder_;
};

// The raw text of a top-level value in the report.
std::string Field(const std::string& json, const std::string& key) {
    const std::size_t at = json.find("\"" + key + "\": ");
    if (at == std::string::npos) return "<missing " + key + ">";
    const std::size_t start = at + key.size() + 4;
    std::size_t end = start;
    int depth = 0;
    bool inString = false;
    for (; end < json.size(); ++end) {
        const char c = json[end];
        if (inString) {
            if (c == '\\')
                ++end;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') inString = true;
        if (c == '[' || c == '{') ++depth;
        if (c == ']' || c == '}') {
            if (depth == 0) break;
            --depth;
        }
        if (depth == 0 && (c == ',' || c == '\n')) break;
    }
    return json.substr(start, end - start);
}

// The report without the wall-clock parts, which differ run to run.
std::string GameStateOf(const std::string& json) {
    std::string state;
    for (const char* key :
         {"frames", "virtual_seconds", "game_state", "level_index", "level_count", "coin_count", "player_pos",
          "carried_rocks", "level_passes", "deaths", "messages", "drawn_frames"})
        state += std::string(key) + "=" + Field(json, key) + "\n";
    return state;
}

// Winding corridors, a loop, diagonal steps and side openings: 32 open cells.
const std::initializer_list<const char*> Caves = {
    "################", "#.....##########", "#.####.#########", "#.#####.....####",
    "#.#########.####", "#.#########.####", "##.#######.#####", "###.......######",
    "###########.####", "############.###", "#############.##", "##############.#",
    "##############.#", "#############.##", "################", "################",
};

TEST_F(TimedemoRun, EscAtFrameFiveEndsTheRunThereWithSuccess) {
    WriteFile(file("esc.txt"), "# leave early\n5 down esc\n");
    const ToolRun r = run("--frames 100 --script '" + file("esc.txt") + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Field(r.json, "frames"), "5");
    EXPECT_EQ(Field(r.json, "virtual_seconds"), "0.08");
    EXPECT_EQ(Field(r.json, "drawn_frames"), "5");
    EXPECT_EQ(Field(r.json, "game_state"), "\"Playing\"");
}

TEST_F(TimedemoRun, ShortFramesDrawEveryOtherTurn) {
    // 10 ms a frame: a frame is drawn once 15 ms have gathered, at 20, 40, ... 300 ms.
    const ToolRun r = run("--frames 30 --frame-ms 10");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Field(r.json, "frames"), "30");
    EXPECT_EQ(Field(r.json, "drawn_frames"), "15");
    EXPECT_EQ(Field(r.json, "virtual_seconds"), "0.3");
}

TEST_F(TimedemoRun, ScriptedKeysReachTheGameBeforeTheirFrame) {
    // Facing +z at the first cell's centre (15, 15); A steps left, toward +x,
    // at 2.5 units a second: 40 frames of 16 ms, held from frame 0, make 1.6.
    const std::string media = levelsFolder({Caves});
    WriteFile(file("left.txt"), "0 pointer 320 240\n0 down a\n40 up a\n");
    const ToolRun r = run("--media '" + media + "' --frames 60 --script '" + file("left.txt") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string pos = Field(r.json, "player_pos");
    float x = 0, y = 0, z = 0;
    ASSERT_EQ(std::sscanf(pos.c_str(), "[%f, %f, %f]", &x, &y, &z), 3) << pos;
    EXPECT_NEAR(x, 16.6f, 0.01f);
    EXPECT_NEAR(z, 15.0f, 0.001f);
}

TEST_F(TimedemoRun, SameSeedSameGameState) {
    const ToolRun first = run("--autopilot --frames 400 --seed 7");
    const ToolRun second = run("--autopilot --frames 400 --seed 7");
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(GameStateOf(first.json), GameStateOf(second.json));
    float x = 0, y = 0, z = 0;
    ASSERT_EQ(std::sscanf(Field(first.json, "player_pos").c_str(), "[%f, %f, %f]", &x, &y, &z), 3);
    EXPECT_GT(std::hypot(x - 5.0f, z - 5.0f), 5.0f) << "the autopilot walked away from the start";
}

TEST_F(TimedemoRun, CountsCpuFaultsAllocationsAndTrianglesPerFrame) {
    const ToolRun result = run("--autopilot --frames 400 --seed 1");
    ASSERT_EQ(result.status, 0) << result.err;
    double mean = 0, median = 0, p95 = 0, max = 0;
    ASSERT_EQ(std::sscanf(Field(result.json, "cpu_ms").c_str(),
                          "{\"mean\": %lf, \"median\": %lf, \"p95\": %lf, \"max\": %lf}", &mean, &median,
                          &p95, &max),
              4)
        << result.json;
    EXPECT_GT(median, 0.0);
    EXPECT_LE(median, p95);
    EXPECT_LE(p95, max);
    EXPECT_GE(std::atof(Field(result.json, "page_faults_per_frame").c_str()), 0.0);
    // The cave around the start alone is thousands of triangles.
    EXPECT_GT(std::atof(Field(result.json, "triangles_per_frame").c_str()), 1000.0) << result.json;
    // Walking the first level allocates nothing, and what the GL libraries
    // allocate meanwhile (llvmpipe compiling its shaders) is not the game's.
    const std::string allocations = Field(result.json, "allocations_per_frame");
    if (allocations != "null") {
        EXPECT_EQ(std::atof(allocations.c_str()), 0.0) << result.json;
    }
}

TEST_F(TimedemoRun, ScreenshotShowsTheCaveAtTheWindowSize) {
    const std::string png = file("frame.png");
    const ToolRun r = run("--frames 4 --size 160x120 --screenshot 3:'" + png + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, png.c_str())) << image.message;
    EXPECT_EQ(image.width, 160u);
    EXPECT_EQ(image.height, 120u);
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    // The clear colour is (13, 13, 13); the textured walls around the eye cover the frame.
    int background = 0;
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        background += rgb[i] == 13 && rgb[i + 1] == 13 && rgb[i + 2] == 13;
    EXPECT_LT(background, 160 * 120 / 2);
}

TEST_F(TimedemoRun, NoHudLeavesOnlyThePanelsPixelsOut) {
    std::vector<std::uint8_t> frames[2];
    for (int i = 0; i < 2; ++i) {
        const std::string png = file("hud" + std::to_string(i) + ".png");
        const ToolRun r =
            run(std::string("--frames 4 --screenshot 3:'") + png + "'" + (i ? " --no-hud" : ""));
        ASSERT_EQ(r.status, 0) << r.err;
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_file(&image, png.c_str())) << image.message;
        ASSERT_EQ(image.width, 640u);
        image.format = PNG_FORMAT_RGB;
        frames[i].resize(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, frames[i].data(), 0, nullptr));
    }
    ASSERT_EQ(frames[0].size(), frames[1].size());
    int inside = 0, outside = 0;
    for (std::size_t i = 0; i < frames[0].size(); ++i) {
        const std::size_t pixel = i / 3;
        const int x = static_cast<int>(pixel % 640), y = static_cast<int>(pixel / 640);  // from the top
        const bool inPanel = x < 104 && y >= 450 && y < 474;
        (inPanel ? inside : outside) += frames[0][i] != frames[1][i];
    }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(inside, 1000) << "the HUD over the cave";
}

TEST_F(TimedemoRun, ScreenshotOfAFrameNeverReachedIsOnlyAWarning) {
    WriteFile(file("esc.txt"), "2 down q\n");
    const ToolRun r =
        run("--frames 10 --script '" + file("esc.txt") + "' --screenshot 6:'" + file("late.png") + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(fs::exists(file("late.png")));
    EXPECT_NE(r.err.find("frame 6"), std::string::npos) << r.err;
}

TEST_F(TimedemoRun, UsageErrorsExitWithTwo) {
    EXPECT_EQ(run("--bogus").status, 2);
    EXPECT_EQ(run("--set Volume=1").status, 2);
    EXPECT_EQ(run("--frames 5 --screenshot 5:'" + file("x.png") + "'").status, 2);
    EXPECT_EQ(run("--media '" + file("no-such-folder") + "'").status, 2);
    EXPECT_EQ(run("--script '" + file("no-such-script.txt") + "'").status, 2);
    EXPECT_EQ(run("--screenshot 0:'" + file("no-such-folder/x.png") + "'").status, 2);
    const ToolRun help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--autopilot"), std::string::npos);
}

TEST_F(TimedemoRun, ABadScriptLineIsReportedWithItsNumber) {
    WriteFile(file("bad.txt"), "0 down w\n\n7 press w\n");
    const ToolRun r = run("--script '" + file("bad.txt") + "'");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 3"), std::string::npos) << r.err;
}

TEST_F(TimedemoRun, NoLevelsMeansAFailedStartWithTheGamesMessage) {
    const std::string media = file("empty-media");
    fs::create_directory(media);
    const ToolRun r = run("--media '" + media + "' --frames 10");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Field(r.json, "frames"), "0");
    EXPECT_NE(Field(r.json, "messages").find("Could not load media."), std::string::npos) << r.json;
    EXPECT_EQ(Field(r.json, "fatal"), "true");
}

TEST_F(TimedemoRun, AFatalBoxMidRunExitsWithOneAndIsReported) {
    const std::string media = levelsFolder({Caves});
    WriteFile(media + "/cavemap2.bmp", "not a bitmap");  // found at start, built only on reaching it
    const ToolRun r = run("--media '" + media + "' --size 320x240 --autopilot --frames 6000 --seed 1");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(Field(r.json, "fatal"), "true") << r.json;
    EXPECT_EQ(Field(r.json, "level_passes"), "1");
    EXPECT_NE(Field(r.json, "messages").find("Could not load media."), std::string::npos) << r.json;

    const ToolRun fine = run("--frames 10");
    EXPECT_EQ(fine.status, 0) << fine.err;
    EXPECT_EQ(Field(fine.json, "fatal"), "false");
}

TEST_F(TimedemoRun, AutopilotFinishesASmallCaveWhereverTheTransporterLies) {
    const std::string media = levelsFolder({Caves});
    for (const char* seed : {"1", "2", "3"}) {
        const ToolRun r =
            run("--media '" + media + "' --size 320x240 --autopilot --frames 6000 --seed " + seed);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Field(r.json, "game_state"), "\"Won\"") << "seed " << seed;
        EXPECT_EQ(Field(r.json, "level_passes"), "1") << "seed " << seed;
        EXPECT_LT(std::stoi(Field(r.json, "frames")), 6000) << "it leaves the won game";
    }
}

TEST_F(TimedemoRun, AutopilotWinsTheShippedLevels) {
    // 40 ms frames: the shipped levels take some six minutes of walking. Seed 2
    // is a game the autopilot wins without dying; most seeds still beat it.
    const ToolRun r = run("--size 320x240 --autopilot --frames 20000 --frame-ms 40 --seed 2");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Field(r.json, "game_state"), "\"Won\"") << r.out;
    // A death starts again from the first level, so passes may outnumber the levels.
    EXPECT_GE(std::stoi(Field(r.json, "level_passes")), std::stoi(Field(r.json, "level_count")));
}

TEST_F(TimedemoRun, BackToBackGamesStartANewGameAfterEachWin) {
    const std::string media = levelsFolder({Caves});
    const std::string log = file("memory.txt");
    const ToolRun r = run("--media '" + media + "' --size 160x120 --autopilot --back-to-back --frames 9000 --seed 1 " +
                          "--memory-log '" + log + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Field(r.json, "frames"), "9000") << "a won game no longer ends the run";
    EXPECT_EQ(Field(r.json, "messages"), "[]");
    std::istringstream lines(ReadFile(log));
    int frame = 0, games = 0, samples = 0, lastFrame = -1, lastGames = 0;
    long kb = 0;
    while (lines >> frame >> kb >> games) {
        EXPECT_GT(kb, 1000) << "frame " << frame;
        EXPECT_GE(games, lastGames);
        if (samples < 10) {
            EXPECT_EQ(frame, samples * 1000);
        }
        lastFrame = frame;
        lastGames = games;
        ++samples;
    }
    EXPECT_EQ(samples, 10) << "frames 0 to 8000, then the end";
    EXPECT_EQ(lastFrame, 9000);
    EXPECT_GE(lastGames, 2) << "the small cave is won in well under 4000 frames";
    // One pass a game; the last may be won and not yet started again.
    const int passes = std::stoi(Field(r.json, "level_passes"));
    EXPECT_GE(passes, lastGames);
    EXPECT_LE(passes, lastGames + 1);
}

TEST_F(TimedemoRun, AudioOfTheRunIsWrittenAsAWavFile) {
    const std::string wav = file("run.wav");
    const ToolRun result = run("--autopilot --frames 200 --audio '" + wav + "'");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string bytes = ReadFile(wav);
    ASSERT_GE(bytes.size(), 44u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    auto u16 = [&](std::size_t at) {
        return static_cast<unsigned char>(bytes[at]) | (static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    EXPECT_EQ(u16(22), 2);      // stereo
    EXPECT_EQ(u16(24), 11025);  // low half of the rate
    EXPECT_EQ(u16(34), 16);
    // 3.2 virtual seconds hold 34 whole buffers of 1024 frames.
    EXPECT_EQ(bytes.size(), 44u + 34u * 4096u);
    int loud = 0;
    for (std::size_t at = 44; at + 1 < bytes.size(); at += 2)
        loud += std::abs(static_cast<std::int16_t>(u16(at))) > 100;
    EXPECT_GT(loud, 100) << "footsteps at least";
}

}  // namespace

namespace {

std::uint32_t MonsterTriangles() {
    const std::string text = ReadFile(std::string(UMBRAFALL_GAME_DIR) + "/media/monster.a3f");
    SkinnedModel monster;
    if (!readSkinnedModel(monster, text.data(), text.size(), "monster.a3f")) return 0;
    const std::uint32_t faces = monster.faceCount;
    destroySkinnedModel(monster);
    return faces;
}

TEST_F(TimedemoRun, StressDrawsEveryMonsterAndIsTheSameForTheSameSeed) {
    const std::uint32_t perMonster = MonsterTriangles();
    ASSERT_GT(perMonster, 0u);
    const ToolRun first = run("--stress --floor --frames 24 --seed 3");
    ASSERT_EQ(first.status, 0) << first.err << first.out;
    // All 16 drawn in every counted frame, the cave on top.
    EXPECT_GE(std::stod(Field(first.json, "triangles_per_frame")), 16.0 * perMonster) << first.json;
    EXPECT_EQ(Field(first.json, "drawn_frames"), "13");  // 6 probed, 5 just after a probe
    const std::string floor = Field(first.json, "floor");
    EXPECT_NE(floor.find("\"frames\": 6,"), std::string::npos) << floor;
    EXPECT_EQ(Field(first.json, "messages"), "[]");

    const ToolRun again = run("--stress --frames 24 --seed 3");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(Field(again.json, "level_index"), Field(first.json, "level_index"));
    EXPECT_EQ(Field(again.json, "player_pos"), Field(first.json, "player_pos"));
    EXPECT_EQ(Field(again.json, "drawn_frames"), "24");
    EXPECT_EQ(Field(again.json, "floor"), "<missing floor>");
}

}  // namespace
