#include "options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

struct Parsed {
    ParseOutcome outcome;
    DemoOptions options;
    std::string error;
};

Parsed Parse(std::initializer_list<const char*> arguments) {
    std::vector<const char*> argv{"umbrafall-timedemo"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    Parsed parsed;
    parsed.outcome =
        ParseDemoOptions(static_cast<int>(argv.size()), argv.data(), parsed.options, parsed.error);
    return parsed;
}

TEST(DemoOptions, DefaultsAreTheFreshSettingsFileAndSixHundredFramesOfSixteenMilliseconds) {
    const Parsed parsed = Parse({});
    ASSERT_EQ(parsed.outcome, ParseOutcome::Run);
    const DemoOptions& o = parsed.options;
    EXPECT_EQ(o.frames, 600);
    EXPECT_EQ(o.frameMs, 16);
    EXPECT_EQ(o.seed, 1u);
    EXPECT_FALSE(o.autopilot);
    EXPECT_TRUE(o.hud);
    EXPECT_TRUE(o.mediaFolder.empty());
    EXPECT_TRUE(o.screenshots.empty());
    const GameSettings& s = o.settings;
    EXPECT_EQ(s.Windowed, 1);
    EXPECT_EQ(s.Lights, 0) << "the settings file's default, not the struct's";
    EXPECT_EQ(s.Music, 0);
    EXPECT_EQ(s.Joystick, 0);
    EXPECT_EQ(s.UseHiQualTex, 0);
    EXPECT_EQ(s.Width, 640);
    EXPECT_EQ(s.Height, 480);
    EXPECT_EQ(s.UseScreenRes, 0);
}

TEST(DemoOptions, EveryOptionIsTaken) {
    const Parsed parsed = Parse({"--media", "/m", "--size", "320x200", "--frames", "42", "--frame-ms", "33",
                                 "--seed", "4000000000", "--script", "in.txt", "--autopilot", "--screenshot",
                                 "7:a.png", "--screenshot=41:b/c.png", "--json", "out.json", "--no-hud"});
    ASSERT_EQ(parsed.outcome, ParseOutcome::Run) << parsed.error;
    const DemoOptions& o = parsed.options;
    EXPECT_EQ(o.mediaFolder, "/m");
    EXPECT_EQ(o.settings.Width, 320);
    EXPECT_EQ(o.settings.Height, 200);
    EXPECT_EQ(o.frames, 42);
    EXPECT_EQ(o.frameMs, 33);
    EXPECT_EQ(o.seed, 4000000000u);
    EXPECT_EQ(o.scriptFile, "in.txt");
    EXPECT_TRUE(o.autopilot);
    EXPECT_FALSE(o.hud);
    ASSERT_EQ(o.screenshots.size(), 2u);
    EXPECT_EQ(o.screenshots[0].frame, 7);
    EXPECT_EQ(o.screenshots[0].file, "a.png");
    EXPECT_EQ(o.screenshots[1].frame, 41);
    EXPECT_EQ(o.screenshots[1].file, "b/c.png");
    EXPECT_EQ(o.jsonFile, "out.json");
}

TEST(DemoOptions, SetTakesTheEightKeysInAnyLetterCase) {
    const Parsed parsed =
        Parse({"--set", "windowed=0", "--set", "LIGHTS=1", "--set", "Music=1", "--set", "joystick=1", "--set",
               "usehiqualtex=1", "--set", "UseScreenRes=2", "--set", "width=800", "--set", "HEIGHT=600"});
    ASSERT_EQ(parsed.outcome, ParseOutcome::Run) << parsed.error;
    const GameSettings& s = parsed.options.settings;
    EXPECT_EQ(s.Windowed, 0);
    EXPECT_EQ(s.Lights, 1);
    EXPECT_EQ(s.Music, 1);
    EXPECT_EQ(s.Joystick, 1);
    EXPECT_EQ(s.UseHiQualTex, 1);
    EXPECT_EQ(s.UseScreenRes, 2);
    EXPECT_EQ(s.Width, 800);
    EXPECT_EQ(s.Height, 600);
}

TEST(DemoOptions, SizeAndSetApplyInCommandLineOrder) {
    EXPECT_EQ(Parse({"--size", "320x240", "--set", "Width=1024"}).options.settings.Width, 1024);
    EXPECT_EQ(Parse({"--set", "Width=1024", "--size", "320x240"}).options.settings.Width, 320);
}

TEST(DemoOptions, UnknownSettingIsAUsageError) {
    const Parsed parsed = Parse({"--set", "Volume=3"});
    EXPECT_EQ(parsed.outcome, ParseOutcome::UsageError);
    EXPECT_NE(parsed.error.find("Volume"), std::string::npos) << parsed.error;
}

TEST(DemoOptions, BadValuesAreUsageErrors) {
    for (const auto& arguments : std::vector<std::vector<const char*>>{
             {"--set", "Lights"},
             {"--set", "Lights=on"},
             {"--set", "Width=0"},
             {"--size", "640"},
             {"--size", "640x"},
             {"--size", "0x480"},
             {"--size", "640x-480"},
             {"--frames", "-1"},
             {"--frames", "12abc"},
             {"--frame-ms", "0"},
             {"--seed", "-3"},
             {"--seed", "4294967296"},
             {"--screenshot", "5"},
             {"--screenshot", "x:a.png"},
             {"--screenshot", "5:"},
             {"--frames"},
             {"--bogus"},
             {"--autopilot=1"},
             {"--no-hud=1"},
         }) {
        std::vector<const char*> argv{"umbrafall-timedemo"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        DemoOptions options;
        std::string error;
        EXPECT_EQ(ParseDemoOptions(static_cast<int>(argv.size()), argv.data(), options, error),
                  ParseOutcome::UsageError)
            << arguments[0] << " " << (arguments.size() > 1 ? arguments[1] : "");
        EXPECT_FALSE(error.empty());
    }
}

TEST(DemoOptions, PlaceTakesLevelPositionAndHeading) {
    const Parsed parsed = Parse({"--place", "2,95,125.5,-63"});
    ASSERT_EQ(parsed.outcome, ParseOutcome::Run) << parsed.error;
    EXPECT_EQ(parsed.options.place.level, 2);
    EXPECT_EQ(parsed.options.place.x, 95.0f);
    EXPECT_EQ(parsed.options.place.z, 125.5f);
    EXPECT_EQ(parsed.options.place.headingDegrees, -63.0f);
    EXPECT_EQ(Parse({}).options.place.level, 0) << "no placement unless asked";

    for (const char* bad : {"2,95,125", "2,95,125,63,1", "0,5,5,0", "2,,5,0", "2,5,5,x", "2,5,5,nan", "a,5,5,0"})
        EXPECT_EQ(Parse({"--place", bad}).outcome, ParseOutcome::UsageError) << bad;
}

TEST(DemoOptions, ScreenshotMustFallWithinTheRun) {
    EXPECT_EQ(Parse({"--frames", "10", "--screenshot", "9:a.png"}).outcome, ParseOutcome::Run);
    EXPECT_EQ(Parse({"--screenshot", "10:a.png", "--frames", "10"}).outcome, ParseOutcome::UsageError);
}

TEST(DemoOptions, SoakOptionsTakeAFlagAndAFileName) {
    const Parsed plain = Parse({});
    EXPECT_FALSE(plain.options.backToBack);
    EXPECT_TRUE(plain.options.memoryLog.empty());
    const Parsed parsed = Parse({"--back-to-back", "--memory-log", "rss.txt"});
    ASSERT_EQ(parsed.outcome, ParseOutcome::Run) << parsed.error;
    EXPECT_TRUE(parsed.options.backToBack);
    EXPECT_EQ(parsed.options.memoryLog, "rss.txt");
    EXPECT_EQ(Parse({"--back-to-back=1"}).outcome, ParseOutcome::UsageError);
    EXPECT_EQ(Parse({"--memory-log"}).outcome, ParseOutcome::UsageError);
    EXPECT_EQ(Parse({"--memory-log="}).outcome, ParseOutcome::UsageError);
}

TEST(DemoOptions, HelpIsNotAnError) {
    EXPECT_EQ(Parse({"--frames", "3", "--help"}).outcome, ParseOutcome::Help);
}

}  // namespace
