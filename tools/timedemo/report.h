#pragma once
// What a run ends with: the game's state, the frame costs and the memory
// peak, as a readable summary and as one JSON object.

#include <string>
#include <string_view>
#include <vector>

struct CostStats {
    double mean = 0.0;
    double median = 0.0;
    double p95 = 0.0;  // nearest rank
    double max = 0.0;
};

struct RunReport {
    int frames = 0;
    int drawnFrames = 0;
    double virtualSeconds = 0.0;
    int gameState = 0;
    int levelIndex = 0;
    int levelCount = 0;
    int coinCount = 0;
    float playerPos[3] = {};
    int carriedRocks = 0;
    int levelPasses = 0;
    int deaths = 0;
    int headHits = 0;  // rocks on a monster's head
    int bodyHits = 0;
    std::vector<std::string> messages;
    bool fatal = false;  // the run ended in the game's fatal error box
    CostStats update, render, total;
    CostStats cpu;  // process CPU of all threads over each drawn frame's turn
    // --floor: the recorded frames replayed from one list, and clear-only frames.
    CostStats floorListCpu, floorListWall, floorClearCpu, floorClearWall;
    int floorFrames = 0;
    double pageFaultsPerFrame = 0.0;
    double allocationsPerFrame = 0.0;  // negative when not counted
    double trianglesPerFrame = 0.0;    // negative when not counted
    long peakRssKb = 0;
};

// All zeros for no values.
CostStats SummariseCosts(std::vector<double> values);

// "Playing", "LevelPassed", "Dead", "Won", or "Unknown(N)".
std::string GameStateName(int state);

// A JSON string literal, quotes included.
std::string JsonString(std::string_view text);

std::string FormatJson(const RunReport& report);
std::string FormatSummary(const RunReport& report);

// The process's resident memory high-water mark in kilobytes.
long PeakRssKb();
