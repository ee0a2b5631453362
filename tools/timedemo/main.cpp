// umbrafall-timedemo: the real game, headless, for a fixed number of frames.

#include "demo_run.h"
#include "music_render.h"
#include "options.h"
#include "report.h"
#include "script.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

int UsageError(const std::string& error) {
    std::fprintf(stderr, "umbrafall-timedemo: %s\n\n%s", error.c_str(), DemoUsage());
    return 2;
}

// Checked before the run, so that a long run does not end without its output.
bool FolderExistsFor(const std::string& file) {
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    std::error_code ignored;
    return folder.empty() || std::filesystem::is_directory(folder, ignored);
}

}  // namespace

int main(int argc, char** argv) {
    DemoOptions options;
    std::string error;
    switch (ParseDemoOptions(argc, argv, options, error)) {
        case ParseOutcome::Help: std::fputs(DemoUsage(), stdout); return 0;
        case ParseOutcome::UsageError: return UsageError(error);
        case ParseOutcome::Run: break;
    }

    std::vector<ScriptEvent> script;
    if (!options.scriptFile.empty() && !LoadScript(options.scriptFile, script, error)) {
        std::fprintf(stderr, "umbrafall-timedemo: %s\n", error.c_str());
        return 2;
    }
    for (const ScreenshotRequest& shot : options.screenshots) {
        if (!FolderExistsFor(shot.file)) return UsageError("no folder for the screenshot " + shot.file);
    }
    if (!options.musicFile.empty() && !FolderExistsFor(options.musicFile))
        return UsageError("no folder for the music file " + options.musicFile);
    std::ofstream json;
    if (!options.jsonFile.empty()) {
        json.open(options.jsonFile, std::ios::binary | std::ios::trunc);
        if (!json) return UsageError("cannot write " + options.jsonFile);
    }

    RunReport report;
    std::vector<std::string> warnings;
    const int status = RunDemo(options, script, report, warnings, error);
    if (status == 2) return UsageError(error);
    for (const std::string& warning : warnings)
        std::fprintf(stderr, "umbrafall-timedemo: %s\n", warning.c_str());
    if (status == 1)
        std::fputs(report.frames == 0 ? "umbrafall-timedemo: the game failed to start\n"
                                      : "umbrafall-timedemo: the game stopped at its fatal error box\n",
                   stderr);

    if (!options.musicFile.empty() && status == 0 &&
        !WriteRunMusic(options.musicFile, static_cast<std::uint32_t>(report.virtualSeconds * 1000.0),
                       error)) {
        std::fprintf(stderr, "umbrafall-timedemo: %s\n", error.c_str());
        return 2;
    }
    std::fputs(FormatSummary(report).c_str(), stdout);
    if (json.is_open()) {
        json << FormatJson(report);
        json.close();
        if (!json) {
            std::fprintf(stderr, "umbrafall-timedemo: cannot write %s\n", options.jsonFile.c_str());
            return status == 0 ? 2 : status;
        }
    }
    return status;
}
