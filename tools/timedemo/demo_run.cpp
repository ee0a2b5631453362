#include "demo_run.h"

#include "app/input.h"
#include "app/settings.h"
#include "app/shell.h"
#include "audio/midi_player.h"
#include "autopilot.h"
#include "cave/cave_cell.h"
#include "cave/level_build.h"
#include "floor_probe.h"
#include "frame_counters.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/monsters.h"
#include "game/player.h"
#include "media_folder.h"
#include "platform/headless/headless.h"
#include "png_writer.h"
#include "stress.h"
#include "wav_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

namespace {

namespace headless = platform::headless;

constexpr std::size_t MaxReservedFrames = 10'000'000;

// Counts the changes into LevelPassed and Dead.
struct StateWatch {
    int last = 0;
    int passes = 0;
    int deaths = 0;

    void see(int state) {
        if (state == last) return;
        if (state == LevelPassed) ++passes;
        if (state == Dead) ++deaths;
        last = state;
    }
};

void TakeScreenshot(const ScreenshotRequest& request, std::vector<std::string>& warnings) {
    const std::vector<std::uint8_t>& pixels = headless::FramePixels();
    const int width = headless::Window().width;
    const std::size_t rowBytes = static_cast<std::size_t>(std::max(width, 0)) * 4;
    const int height = rowBytes ? static_cast<int>(pixels.size() / rowBytes) : 0;
    std::string error;
    if (!WritePng(request.file, width, height, pixels.data(), error)) warnings.push_back(error);
}

// Moves the player to the asked level and spot, facing the asked way.
void Place(const Placement& place, std::vector<std::string>& warnings) {
    if (place.level <= 0) return;
    if (place.level > LevelCount) {
        warnings.push_back("--place: there is no level " + std::to_string(place.level));
        return;
    }
    if (place.level - 1 != LevelIndex) {
        LevelIndex = place.level - 1;
        StartLevel();
    }
    const int column = static_cast<int>(std::floor(place.x / CellSize));
    const int row = static_cast<int>(std::floor(place.z / CellSize));
    const bool inGrid = column >= 0 && row >= 0 && column < LevelMap.width && row < LevelMap.height;
    CaveCell* cell = inGrid ? CellTable[row * LevelMap.width + column] : nullptr;
    if (!cell) {
        warnings.push_back("--place: no open cell at x " + std::to_string(place.x) + ", z " +
                           std::to_string(place.z));
        return;
    }
    PlayerCell = cell;
    PlayerPos.x = place.x;
    PlayerPos.z = place.z;
    ViewYaw = place.headingDegrees * 3.14159265f / 180.0f;
}

// Resident memory now, from /proc without allocating; 0 when it cannot be read.
long ResidentKb() {
    const int file = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (file < 0) return 0;
    char text[128] = {};
    const ssize_t got = ::read(file, text, sizeof text - 1);
    ::close(file);
    if (got <= 0) return 0;
    const char* resident = std::strchr(text, ' ');
    return resident ? std::strtol(resident + 1, nullptr, 10) * (::sysconf(_SC_PAGESIZE) / 1024) : 0;
}

struct MemorySample {
    int frame;
    long residentKb;
    int gamesWon;
};

// As a player who has won starts over: the first level, three coins, empty hands.
void StartNewGame() {
    std::memset(KeyState, 0, sizeof KeyState);
    clearItems(CarriedRocks);
    LevelIndex = 0;
    StartLevel();
    PlayerPos.y = EyeHeight;
    CoinCount = 3;
    UpdateHud();
    if (Settings.Music != 0) PlaySong("theme.mid");
}

void ReadGameState(RunReport& report) {
    report.gameState = GameState;
    report.levelIndex = LevelIndex;
    report.levelCount = LevelCount;
    report.coinCount = CoinCount;
    report.playerPos[0] = PlayerPos.x;
    report.playerPos[1] = PlayerPos.y;
    report.playerPos[2] = PlayerPos.z;
    report.carriedRocks = CarriedRocks.count;
    report.headHits = RockHeadHits;
    report.bodyHits = RockBodyHits;
}

void ReadMessages(RunReport& report) {
    report.messages.clear();
    for (const headless::CapturedMessageBox& box : headless::MessageBoxes()) {
        report.messages.push_back(box.text);
        // The other boxes say the game goes on.
        if (box.icon == platform::MessageIcon::Error) report.fatal = true;
    }
}

}  // namespace

int RunDemo(const DemoOptions& options, const std::vector<ScriptEvent>& script, RunReport& report,
            std::vector<std::string>& warnings, std::string& error) {
    report = RunReport{};
    CloseMidiDevice();  // a device left open by an earlier run in this process
    RockHeadHits = RockBodyHits = 0;
    headless::Reset();
    if (!options.musicFile.empty()) headless::PlugMidiOutput();
    headless::SetSeed(options.seed);
    MediaFolderLink media;
    if (!options.mediaFolder.empty()) {
        std::string executableFolder;
        if (!media.prepare(options.mediaFolder, executableFolder, error)) return 2;
        headless::SetExecutableFolder(executableFolder);
    }
    UseGivenSettings(options.settings);
    MeasureFrameCosts = true;
    HudVisible = options.hud;
    const bool withAudio = !options.audioFile.empty();
    if (withAudio) {
        headless::PlugAudioOutput();
        headless::RecordAudio(true);
    }

    if (StartProgram() != 0) {
        ReleaseProgramObjects();
        HudVisible = true;
        ReadGameState(report);
        ReadMessages(report);
        report.peakRssKb = PeakRssKb();
        return 1;
    }

    Place(options.place, warnings);
    if (options.stress) SetUpStress(warnings);
    FloorProbe floor;

    std::unique_ptr<Autopilot> pilot;
    if (options.autopilot)
        pilot = std::make_unique<Autopilot>(Settings.Width, Settings.Height, options.frameMs);
    std::vector<platform::Message> pilotMessages;
    pilotMessages.reserve(16);

    const std::size_t reserve = std::min(static_cast<std::size_t>(options.frames), MaxReservedFrames);
    std::vector<double> updateMs, renderMs, totalMs, cpuMs;
    updateMs.reserve(reserve);
    renderMs.reserve(reserve);
    totalMs.reserve(reserve);
    cpuMs.reserve(reserve);
    if (!options.memoryLog.empty()) {
        // Touched now, so that the cost arrays filling up do not read as the game's memory growing.
        for (std::vector<double>* costs : {&updateMs, &renderMs, &totalMs, &cpuMs}) {
            costs->resize(reserve);
            costs->clear();
        }
    }
    PrimitiveCounter primitives;
    std::uint64_t faults = 0, allocations = 0, triangles = 0;

    std::vector<ScreenshotRequest> shots = options.screenshots;
    std::stable_sort(shots.begin(), shots.end(), [](const ScreenshotRequest& a, const ScreenshotRequest& b) {
        return a.frame < b.frame;
    });
    std::vector<MemorySample> memory;
    if (!options.memoryLog.empty()) memory.reserve(reserve / MemoryLogFrames + 1);
    int gamesWon = 0;
    std::size_t nextShot = 0;
    std::size_t nextEvent = 0;
    StateWatch watch{GameState};
    std::uint64_t advancedMs = 0;

    bool running = true;
    int frame = 0;
    for (; frame < options.frames && running; ++frame) {
        if (!options.memoryLog.empty() && frame % MemoryLogFrames == 0)
            memory.push_back({frame, ResidentKb(), gamesWon});
        if (options.backToBack && GameState == Won) {
            ++gamesWon;
            StartNewGame();
            if (pilot) pilot = std::make_unique<Autopilot>(Settings.Width, Settings.Height, options.frameMs);
        }
        for (; nextEvent < script.size() && script[nextEvent].frame == frame; ++nextEvent)
            headless::PushMessage(script[nextEvent].message);
        if (pilot) {
            pilotMessages.clear();
            pilot->plan(ReadPilotView(), pilotMessages);
            for (const platform::Message& message : pilotMessages) headless::PushMessage(message);
        }
        // One message a turn, as the real loop; the clock stands still, so nothing is drawn.
        while (running && headless::PendingMessages() > 0) {
            running = RunLoopTurn();
            watch.see(GameState);
        }
        if (!running) break;

        if (options.stress) KeepRocksFlying(frame);
        headless::AdvanceClock(static_cast<std::uint32_t>(options.frameMs));
        advancedMs += static_cast<std::uint64_t>(options.frameMs);
        const int swapsBefore = headless::Window().swaps;
        const CounterSample before = SampleCounters();
        const bool recording = options.floor && FloorProbe::records(frame) && headless::Window().open;
        // The frame after a probe pays for the probe's replays: neither is the game's cost.
        const bool probed = options.floor && FloorProbe::records(frame - 1);
        if (recording) floor.beginRecording();
        primitives.begin();
        running = RunLoopTurn();
        const std::uint64_t sent = headless::Window().open ? primitives.end() : 0;
        const CounterSample after = SampleCounters();
        if (recording && headless::Window().open)
            floor.endRecording(running && headless::Window().swaps != swapsBefore);
        watch.see(GameState);
        headless::PlayAudioBuffersDue();
        if (running && headless::Window().swaps != swapsBefore && !recording && !probed) {
            cpuMs.push_back(after.cpuMs - before.cpuMs);
            faults += after.pageFaults - before.pageFaults;
            allocations += after.allocations - before.allocations;
            triangles += sent;
            updateMs.push_back(LastFrameCosts.updateMs);
            renderMs.push_back(LastFrameCosts.renderMs);
            totalMs.push_back(LastFrameCosts.updateMs + LastFrameCosts.renderMs);
        }
        for (; running && nextShot < shots.size() && shots[nextShot].frame == frame; ++nextShot)
            TakeScreenshot(shots[nextShot], warnings);
    }

    // Before the summaries below copy the cost arrays.
    if (!options.memoryLog.empty()) memory.push_back({frame, ResidentKb(), gamesWon});
    report.frames = frame;
    report.drawnFrames = static_cast<int>(totalMs.size());
    report.virtualSeconds = static_cast<double>(advancedMs) / 1000.0;
    ReadGameState(report);
    report.levelPasses = watch.passes;
    report.deaths = watch.deaths;
    report.update = SummariseCosts(updateMs);
    report.render = SummariseCosts(renderMs);
    report.total = SummariseCosts(totalMs);
    report.cpu = SummariseCosts(cpuMs);
    report.floorListCpu = SummariseCosts(floor.listCpuMs);
    report.floorListWall = SummariseCosts(floor.listWallMs);
    report.floorClearCpu = SummariseCosts(floor.clearCpuMs);
    report.floorClearWall = SummariseCosts(floor.clearWallMs);
    report.floorFrames = static_cast<int>(floor.listCpuMs.size());
    const double drawn = std::max<double>(static_cast<double>(totalMs.size()), 1.0);
    report.pageFaultsPerFrame = static_cast<double>(faults) / drawn;
    report.allocationsPerFrame = ProgramAllocationsCounted ? static_cast<double>(allocations) / drawn : -1.0;
    report.trianglesPerFrame = primitives.available() ? static_cast<double>(triangles) / drawn : -1.0;

    if (headless::Window().open) {
        primitives.release();
        floor.release();
    }
    ShutdownApplication();
    ReleaseProgramObjects();
    HudVisible = true;
    ReadMessages(report);
    if (withAudio) {
        std::string audioError;
        if (!WriteStereoWav(options.audioFile, headless::RecordedAudio(), audioError))
            warnings.push_back(audioError);
        headless::RecordAudio(false);
    }
    for (; nextShot < shots.size(); ++nextShot) {
        warnings.push_back("no screenshot for frame " + std::to_string(shots[nextShot].frame) +
                           ": the game ended at frame " + std::to_string(report.frames));
    }
    report.peakRssKb = PeakRssKb();
    if (!options.memoryLog.empty()) {
        std::ofstream log(options.memoryLog, std::ios::binary | std::ios::trunc);
        for (const MemorySample& sample : memory)
            log << sample.frame << ' ' << sample.residentKb << ' ' << sample.gamesWon << '\n';
        if (!log) warnings.push_back("cannot write " + options.memoryLog);
    }
    return report.fatal ? 1 : 0;
}
