#include "report.h"

#include "game/game_state.h"

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Enough digits for a float to read back as the same float.
std::string FloatText(double value) {
    if (!std::isfinite(value)) return "null";
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

std::string MsText(double value) {
    if (!std::isfinite(value)) return "null";
    char text[40];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

// Null for a figure the run could not count.
std::string PerFrameText(double value) { return value < 0.0 ? "null" : MsText(value); }

std::string StatsJson(const CostStats& s) {
    return "{\"mean\": " + MsText(s.mean) + ", \"median\": " + MsText(s.median) +
           ", \"p95\": " + MsText(s.p95) + ", \"max\": " + MsText(s.max) + "}";
}

std::string StatsLine(const char* name, const CostStats& s) {
    char text[160];
    std::snprintf(text, sizeof text, "  %-7s mean %8.3f  median %8.3f  p95 %8.3f  max %8.3f\n", name, s.mean,
                  s.median, s.p95, s.max);
    return text;
}

}  // namespace

CostStats SummariseCosts(std::vector<double> values) {
    CostStats stats;
    if (values.empty()) return stats;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    double sum = 0.0;
    for (const double v : values) sum += v;
    stats.mean = sum / static_cast<double>(n);
    stats.median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
    const std::size_t rank = (95 * n + 99) / 100;  // ceil(0.95 n), at least 1
    stats.p95 = values[rank - 1];
    stats.max = values.back();
    return stats;
}

std::string GameStateName(int state) {
    switch (state) {
        case Playing: return "Playing";
        case LevelPassed: return "LevelPassed";
        case Dead: return "Dead";
        case Won: return "Won";
        default: return "Unknown(" + std::to_string(state) + ")";
    }
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                    out += escape;
                } else {
                    out += c;  // UTF-8 passes through as it is
                }
        }
    }
    return out + "\"";
}

std::string FormatJson(const RunReport& r) {
    std::string json = "{\n";
    json += "  \"frames\": " + std::to_string(r.frames) + ",\n";
    json += "  \"virtual_seconds\": " + FloatText(r.virtualSeconds) + ",\n";
    json += "  \"game_state\": " + JsonString(GameStateName(r.gameState)) + ",\n";
    json += "  \"level_index\": " + std::to_string(r.levelIndex) + ",\n";
    json += "  \"level_count\": " + std::to_string(r.levelCount) + ",\n";
    json += "  \"coin_count\": " + std::to_string(r.coinCount) + ",\n";
    json += "  \"player_pos\": [" + FloatText(r.playerPos[0]) + ", " + FloatText(r.playerPos[1]) + ", " +
            FloatText(r.playerPos[2]) + "],\n";
    json += "  \"carried_rocks\": " + std::to_string(r.carriedRocks) + ",\n";
    json += "  \"level_passes\": " + std::to_string(r.levelPasses) + ",\n";
    json += "  \"deaths\": " + std::to_string(r.deaths) + ",\n";
    json += "  \"head_hits\": " + std::to_string(r.headHits) + ",\n";
    json += "  \"body_hits\": " + std::to_string(r.bodyHits) + ",\n";
    json += "  \"messages\": [";
    for (std::size_t i = 0; i < r.messages.size(); ++i) json += (i ? ", " : "") + JsonString(r.messages[i]);
    json += "],\n";
    json += std::string("  \"fatal\": ") + (r.fatal ? "true" : "false") + ",\n";
    json += "  \"frame_ms\": {\"update\": " + StatsJson(r.update) + ",\n";
    json += "               \"render\": " + StatsJson(r.render) + ",\n";
    json += "               \"total\": " + StatsJson(r.total) + "},\n";
    json += "  \"cpu_ms\": " + StatsJson(r.cpu) + ",\n";
    if (r.floorFrames > 0) {
        json += "  \"floor\": {\"frames\": " + std::to_string(r.floorFrames) + ",\n";
        json += "            \"list_cpu_ms\": " + StatsJson(r.floorListCpu) + ",\n";
        json += "            \"list_wall_ms\": " + StatsJson(r.floorListWall) + ",\n";
        json += "            \"clear_cpu_ms\": " + StatsJson(r.floorClearCpu) + ",\n";
        json += "            \"clear_wall_ms\": " + StatsJson(r.floorClearWall) + "},\n";
    }
    json += "  \"page_faults_per_frame\": " + PerFrameText(r.pageFaultsPerFrame) + ",\n";
    json += "  \"allocations_per_frame\": " + PerFrameText(r.allocationsPerFrame) + ",\n";
    json += "  \"triangles_per_frame\": " + PerFrameText(r.trianglesPerFrame) + ",\n";
    json += "  \"peak_rss_kb\": " + std::to_string(r.peakRssKb) + ",\n";
    json += "  \"drawn_frames\": " + std::to_string(r.drawnFrames) + "\n";
    json += "}\n";
    return json;
}

std::string FormatSummary(const RunReport& r) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "frames %d (%d drawn), %.3f virtual seconds\n"
                  "game state %s, level %d of %d, level passes %d, deaths %d, rock hits %d head %d body\n"
                  "coins %d, rocks %d, player at (%.2f, %.2f, %.2f)\n",
                  r.frames, r.drawnFrames, r.virtualSeconds, GameStateName(r.gameState).c_str(),
                  r.levelIndex + 1, r.levelCount, r.levelPasses, r.deaths, r.headHits, r.bodyHits, r.coinCount, r.carriedRocks,
                  static_cast<double>(r.playerPos[0]), static_cast<double>(r.playerPos[1]),
                  static_cast<double>(r.playerPos[2]));
    std::string summary = text;
    summary += "frame costs in ms (wall clock):\n";
    summary += StatsLine("update", r.update);
    summary += StatsLine("render", r.render);
    summary += StatsLine("total", r.total);
    summary += "frame CPU in ms (all threads):\n";
    summary += StatsLine("cpu", r.cpu);
    if (r.floorFrames > 0) {
        summary += "floor over " + std::to_string(r.floorFrames) + " recorded frames, CPU in ms:\n";
        summary += StatsLine("list", r.floorListCpu);
        summary += StatsLine("clear", r.floorClearCpu);
    }
    char counts[200];
    std::snprintf(counts, sizeof counts, "per frame: page faults %.1f, allocations %s, triangles %s\n",
                  r.pageFaultsPerFrame, PerFrameText(r.allocationsPerFrame).c_str(),
                  PerFrameText(r.trianglesPerFrame).c_str());
    summary += counts;
    summary += "peak memory " + std::to_string(r.peakRssKb) + " kB\n";
    for (const std::string& message : r.messages) summary += "message: " + message + "\n";
    return summary;
}

long PeakRssKb() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    return usage.ru_maxrss;  // kilobytes on Linux
}
