#include "game/game_state.h"

#include "app/settings.h"
#include "app/shell.h"
#include "audio/midi_player.h"
#include "cave/level_build.h"
#include "game/hud.h"
#include "game/monsters.h"
#include "game/player.h"

#include <GL/gl.h>

int GameState = Playing;
float GameClock = 0.0f;
float StateEndTime = 0.0f;
int LevelIndex = 0;
int LevelCount = 0;

namespace {

constexpr float RiseSpeed = 0.5f;  // units per second the eye rises after passing a level

void RestartAfterDeath() {
    LevelIndex = 0;
    StartLevel();
    if (Settings.Music != 0)
        PlaySong("theme.mid");
    else
        StopSong();
}

void PassLevel() {
    const int next = LevelIndex + 1;
    if (next >= LevelCount) {
        GameState = Won;
        UpdateHud();
        PlaySong("happy.mid");
        return;
    }
    PlayerPos.y += FrameTime * RiseSpeed;
    buildCameraViewMatrix(PlayerPos, ViewDir, WorldUp, ViewMatrix);
    if (StateEndTime < GameClock) {
        LevelIndex = next;
        StartLevel();
    }
}

}  // namespace

void UpdateGame() {
    if (FrameTime > MaxFrameTime) FrameTime = MaxFrameTime;
    GameClock += FrameTime;
    switch (GameState) {
        case Playing:
            UpdateMonsters();
            UpdatePlayer();
            UpdateLight();
            break;
        case Dead:
            if (GameClock > StateEndTime) RestartAfterDeath();
            break;
        case LevelPassed: PassLevel(); break;
        default: break;
    }
}

void UpdateLight() {
    buildCameraViewMatrix(PlayerPos, ViewDir, WorldUp, ViewMatrix);
    LightRecord& lamp = LightTable[0];
    if (lamp.enabled <= 0) return;
    lamp.position[0] = PlayerPos.x;
    lamp.position[1] = PlayerPos.y;
    lamp.position[2] = PlayerPos.z;
    glLightfv(GL_LIGHT0, GL_POSITION, lamp.position);
}
