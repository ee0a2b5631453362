#include "report.h"

#include "game/game_state.h"

#include <gtest/gtest.h>

namespace {

TEST(CostStats, MeanMedianNearestRankP95AndMax) {
    // 1..20 shuffled: mean 10.5, median (10 + 11) / 2, p95 the 19th value, max 20.
    const CostStats s =
        SummariseCosts({7, 3, 20, 1, 15, 9, 12, 18, 2, 5, 11, 14, 4, 19, 6, 16, 8, 13, 17, 10});
    EXPECT_DOUBLE_EQ(s.mean, 10.5);
    EXPECT_DOUBLE_EQ(s.median, 10.5);
    EXPECT_DOUBLE_EQ(s.p95, 19.0);
    EXPECT_DOUBLE_EQ(s.max, 20.0);
}

TEST(CostStats, OddCountsAndSmallCounts) {
    const CostStats three = SummariseCosts({5, 1, 3});
    EXPECT_DOUBLE_EQ(three.mean, 3.0);
    EXPECT_DOUBLE_EQ(three.median, 3.0);
    EXPECT_DOUBLE_EQ(three.p95, 5.0);
    const CostStats one = SummariseCosts({2.5});
    EXPECT_DOUBLE_EQ(one.median, 2.5);
    EXPECT_DOUBLE_EQ(one.p95, 2.5);
    EXPECT_DOUBLE_EQ(one.max, 2.5);
    const CostStats none = SummariseCosts({});
    EXPECT_EQ(none.mean, 0.0);
    EXPECT_EQ(none.max, 0.0);
}

TEST(CostStats, P95OfAHundredIsTheNinetyFifthValue) {
    std::vector<double> values;
    for (int i = 100; i >= 1; --i) values.push_back(i);
    EXPECT_DOUBLE_EQ(SummariseCosts(values).p95, 95.0);
    values.push_back(1000.0);  // 101 values: rank ceil(95.95) = 96
    EXPECT_DOUBLE_EQ(SummariseCosts(values).p95, 96.0);
}

TEST(GameStateNames, TheFourStates) {
    EXPECT_EQ(GameStateName(Playing), "Playing");
    EXPECT_EQ(GameStateName(LevelPassed), "LevelPassed");
    EXPECT_EQ(GameStateName(Dead), "Dead");
    EXPECT_EQ(GameStateName(Won), "Won");
    EXPECT_EQ(GameStateName(9), "Unknown(9)");
}

TEST(JsonStrings, QuotesBackslashesAndControlCharactersAreEscaped) {
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("say \"hi\""), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(JsonString("C:\\media"), "\"C:\\\\media\"");
    EXPECT_EQ(JsonString("two\nlines\ttab\r"), "\"two\\nlines\\ttab\\r\"");
    EXPECT_EQ(JsonString(std::string("bell\x07", 5)), "\"bell\\u0007\"");
    EXPECT_EQ(JsonString(std::string("nul\0!", 5)), "\"nul\\u0000!\"");
    EXPECT_EQ(JsonString("caf\xC3\xA9"), "\"caf\xC3\xA9\"") << "UTF-8 passes through";
}

RunReport Sample() {
    RunReport r;
    r.frames = 120;
    r.drawnFrames = 119;
    r.virtualSeconds = 1.92;
    r.gameState = LevelPassed;
    r.levelIndex = 2;
    r.levelCount = 8;
    r.coinCount = 11;
    r.playerPos[0] = 15.5f;
    r.playerPos[1] = 2.25f;
    r.playerPos[2] = -3.0f;
    r.carriedRocks = 4;
    r.levelPasses = 3;
    r.deaths = 1;
    r.messages = {"Could not load media.", "a \"quoted\"\nline"};
    r.fatal = true;
    r.update = {0.5, 0.25, 1.0, 2.0};
    r.render = {3.0, 2.5, 6.0, 9.5};
    r.total = {3.5, 2.75, 7.0, 11.5};
    r.cpu = {4.5, 4.25, 8.0, 12.5};
    r.pageFaultsPerFrame = 12.5;
    r.allocationsPerFrame = 0.0;
    r.trianglesPerFrame = 70123.25;
    r.peakRssKb = 81234;
    return r;
}

TEST(JsonReport, HoldsEveryKeyWithItsValue) {
    const std::string json = FormatJson(Sample());
    for (const char* expected : {
             "\"frames\": 120,",
             "\"virtual_seconds\": 1.92,",
             "\"game_state\": \"LevelPassed\",",
             "\"level_index\": 2,",
             "\"level_count\": 8,",
             "\"coin_count\": 11,",
             "\"player_pos\": [15.5, 2.25, -3],",
             "\"carried_rocks\": 4,",
             "\"level_passes\": 3,",
             "\"deaths\": 1,",
             "\"messages\": [\"Could not load media.\", \"a \\\"quoted\\\"\\nline\"],",
             "\"update\": {\"mean\": 0.5000, \"median\": 0.2500, \"p95\": 1.0000, \"max\": 2.0000}",
             "\"render\": {\"mean\": 3.0000, \"median\": 2.5000, \"p95\": 6.0000, \"max\": 9.5000}",
             "\"total\": {\"mean\": 3.5000, \"median\": 2.7500, \"p95\": 7.0000, \"max\": 11.5000}",
             "\"fatal\": true,",
             "\"cpu_ms\": {\"mean\": 4.5000, \"median\": 4.2500, \"p95\": 8.0000, \"max\": 12.5000},",
             "\"page_faults_per_frame\": 12.5000,",
             "\"allocations_per_frame\": 0.0000,",
             "\"triangles_per_frame\": 70123.2500,",
             "\"peak_rss_kb\": 81234",
         }) {
        EXPECT_NE(json.find(expected), std::string::npos) << expected << "\nin\n" << json;
    }
}

TEST(JsonReport, IsOneBalancedObjectInTheKeyOrder) {
    const std::string json = FormatJson(Sample());
    ASSERT_FALSE(json.empty());
    EXPECT_EQ(json.front(), '{');
    EXPECT_EQ(json[json.find_last_not_of('\n')], '}');
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') inString = true;
        if (c == '{' || c == '[') ++depth;
        if (c == '}' || c == ']') --depth;
        ASSERT_GE(depth, 0);
        if (depth == 0) {
            EXPECT_EQ(json.find_first_not_of('\n', i + 1), std::string::npos) << "text after the object";
        }
    }
    EXPECT_FALSE(inString);
    std::size_t last = 0;
    for (const char* key :
         {"\"frames\"", "\"virtual_seconds\"", "\"game_state\"", "\"level_index\"", "\"level_count\"",
          "\"coin_count\"", "\"player_pos\"", "\"carried_rocks\"", "\"level_passes\"", "\"deaths\"",
          "\"messages\"", "\"fatal\"", "\"frame_ms\"", "\"cpu_ms\"", "\"page_faults_per_frame\"",
          "\"allocations_per_frame\"", "\"triangles_per_frame\"", "\"peak_rss_kb\""}) {
        const std::size_t at = json.find(key);
        ASSERT_NE(at, std::string::npos) << key;
        EXPECT_GT(at, last) << key;
        last = at;
    }
}

TEST(JsonReport, FiguresNotCountedAreNull) {
    RunReport r = Sample();
    r.allocationsPerFrame = -1.0;
    r.trianglesPerFrame = -1.0;
    const std::string json = FormatJson(r);
    EXPECT_NE(json.find("\"allocations_per_frame\": null,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"triangles_per_frame\": null,"), std::string::npos) << json;
}

TEST(JsonReport, FloatsKeepEnoughDigitsToReadBackExactly) {
    RunReport r;
    r.playerPos[0] = 0.1f;  // 0.100000001 as a float
    const std::string json = FormatJson(r);
    EXPECT_NE(json.find("[0.100000001, 0, 0]"), std::string::npos) << json;
}

TEST(Summary, NamesTheStateLevelAndMessages) {
    const std::string summary = FormatSummary(Sample());
    EXPECT_NE(summary.find("LevelPassed"), std::string::npos);
    EXPECT_NE(summary.find("level 3 of 8"), std::string::npos) << "levels counted from 1 for people";
    EXPECT_NE(summary.find("Could not load media."), std::string::npos);
}

TEST(PeakMemory, IsAPositiveNumberOfKilobytes) { EXPECT_GT(PeakRssKb(), 0); }

}  // namespace
