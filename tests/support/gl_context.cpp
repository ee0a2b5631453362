#include "support/gl_context.h"

#include "app/input.h"
#include "app/settings.h"
#include "app/shell.h"
#include "audio/midi_player.h"
#include "audio/sound_mixer.h"
#include "cave/cave_cell.h"
#include "cave/cave_map.h"
#include "cave/level_build.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/media_loading.h"
#include "game/monsters.h"
#include "game/player.h"
#include "platform/headless/headless.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>

OffscreenContext::OffscreenContext(int width, int height) : width_(width) {
    ok_ = platform::OpenWindow({"test", width, height, false});
}

OffscreenContext::~OffscreenContext() { platform::CloseWindow(); }

std::array<std::uint8_t, 4> OffscreenContext::pixel(int x, int y) const {
    const auto& pixels = platform::headless::FramePixels();
    const std::size_t at =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 4;
    return {pixels[at], pixels[at + 1], pixels[at + 2], pixels[at + 3]};
}

void ResetProgramState() {
    freeAllCells();  // while a context may still hold their lists
    CloseMidiDevice();  // before its timer goes with the reset
    CloseSoundMixer();
    platform::headless::Reset();
    IsRunning = false;
    IsPaused = false;
    FrameTime = 0.0f;
    std::memset(ClearColour, 0, sizeof ClearColour);
    std::memset(LightTable, 0, sizeof LightTable);
    ViewMatrix = Matrix4{};
    std::memset(KeyState, 0, sizeof KeyState);
    PointerX = PointerY = 0.0f;
    Joystick = JoystickState{};
    Settings = GameSettings{};

    GameState = Playing;
    GameClock = StateEndTime = 0.0f;
    LevelIndex = LevelCount = 0;
    LevelMap = CaveMap{};
    MonsterCount = MaxMonsters / 4;
    RocksToPlace = RockModelCount;
    ChestsToPlace = ChestModelCount;
    clearItems(CarriedRocks);
    clearItems(FlyingRocks);
    PlayerPos = {};
    PlayerCell = nullptr;
    CoinCount = 0;
    HasDetector = false;
    StepPhase = HopEndTime = HopHeight = DialAngle = 0.0f;  // a hop left over would move the eye
    AnnouncedMonster = -1;
    HudPanel.Release();
    HudRedraws = 0;
    for (StaticModel* model : {&DetectorModel, &DialModel, &TransporterModel, &PlayerBody})
        *model = StaticModel{};
    for (StaticModel& model : ChestModels) model = StaticModel{};
    for (StaticModel& model : RockModels) model = StaticModel{};
    for (Monster& monster : Monsters) monster = Monster{};
    std::fill(std::begin(MonsterCells), std::end(MonsterCells), nullptr);
}
