#include "app/shell.h"

#include "app/game_window.h"
#include "app/input.h"
#include "app/settings.h"
#include "app/utilities.h"
#include "audio/midi_player.h"
#include "audio/sound_mixer.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/media_loading.h"
#include "game/scene.h"
#include "image/texture_cache.h"
#include "platform/platform.h"

#include <GL/gl.h>

#include <cstdio>

bool IsRunning = false;
bool IsPaused = false;
float ClearColour[4];
float FrameTime = 0.0f;
LightRecord LightTable[LightCount];
Matrix4 ViewMatrix;  // the identity until start-up
Matrix4* const ViewMatrixPtr = &ViewMatrix;
bool MeasureFrameCosts = false;
FrameCosts LastFrameCosts;

namespace {

float LastFrameTime = 0.0f;
int ExitStatus = 0;  // -1 once the fatal box has been shown
constexpr float MinFrameSeconds = 0.015f;

void SetUpLight() {
    LightRecord& light = LightTable[0];
    if (Settings.Lights != 0) {
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        light = {1, {0, 0, 0, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {-100, 100, -100, 0}};  // a directional light
        LightTable[1].enabled = 0;
        glLightfv(GL_LIGHT0, GL_AMBIENT, light.ambient);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, light.diffuse);
        glLightfv(GL_LIGHT0, GL_SPECULAR, light.specular);
        glLightfv(GL_LIGHT0, GL_POSITION, light.position);
    } else {
        glDisable(GL_LIGHTING);
        light.enabled = 0;
    }
    // With lights off these colours are still the load-time zeros.
    glColor4f(1, 1, 1, 1);
    glMaterialfv(GL_FRONT, GL_AMBIENT, light.ambient);
    glMaterialfv(GL_FRONT, GL_EMISSION, light.ambient);
    glMaterialfv(GL_FRONT, GL_SPECULAR, light.diffuse);
}

}  // namespace

void SetFixedGLState() {
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
}

float ClockSeconds() { return static_cast<float>(platform::Milliseconds()) * 0.001f; }

void ResetFrameClock() { LastFrameTime = ClockSeconds(); }

bool InitApplication(const float clearColour[4]) {
    for (int i = 0; i < 4; ++i) ClearColour[i] = clearColour[i];
    SeedRandom(platform::RandomSeed());

    if (!Settings.RunLauncher("Umbrafall")) return false;
    if (!CreateGameWindow()) {
        IsRunning = false;
        return false;
    }

    glViewport(0, 0, Settings.Width, Settings.Height);
    glClearColor(ClearColour[0], ClearColour[1], ClearColour[2], ClearColour[3]);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    SetPerspective(static_cast<float>(Settings.Width) / static_cast<float>(Settings.Height));
    SetFixedGLState();
    SetUpLight();

    makeViewMatrix({0, 1, -5}, {0, 0, 1}, {-1, 0, 0}, {0, 1, 0}, ViewMatrix);
    ResetTextureCache(Settings.UseHiQualTex != 0);
    if (Settings.Joystick != 0) OpenJoystick();

    ResetFrameClock();
    IsRunning = true;
    return true;
}

bool PumpOneMessage() {
    if (Joystick.available && PollJoystick()) TransferJoystickToKeys();
    platform::Message message;
    if (platform::PollMessage(message)) HandleInputMessage(message);
    return IsRunning;
}

float TickFrameClock() {
    if (!IsRunning) return 0.0f;
    const float now = ClockSeconds();
    const float dt = now - LastFrameTime;
    if (dt < 0.0f) {
        // The millisecond count wrapped around: start measuring afresh.
        LastFrameTime = now;
        return 0.0f;
    }
    if (!(dt >= MinFrameSeconds)) return 0.0f;  // short turns add up to the next frame
    LastFrameTime = now;

    if (KeyState['P']) {
        KeyState['P'] = 0;  // one toggle per press
        IsPaused = !IsPaused;
    }
    if (IsPaused) return 0.0f;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glPushMatrix();
    return dt;
}

void ShowFatalError() {
    char text[MessageCapacity];
    std::snprintf(text, sizeof text, "%s The application cannot continue.", "Could not load media.");
    platform::ShowMessageBox(text, "SHUTDOWN ERROR", platform::MessageIcon::Error, true);
    IsRunning = false;
    ExitStatus = -1;
    DestroyGameWindow();
}

void ShutdownApplication() {
    CloseMidiDevice();
    CloseSoundMixer();
    if (CaveTexture != 0 && platform::WindowIsOpen()) glDeleteTextures(1, &CaveTexture);
}

int StartProgram() {
    static const float Background[4] = {0.05f, 0.05f, 0.05f, 0.0f};
    OpenMidiDevice();
    PlaySong("theme.mid");
    if (!InitApplication(Background)) {
        ShutdownApplication();
        return -1;
    }
    if (!LoadGameMedia()) {
        ShutdownApplication();
        ShowFatalError();
        return -1;
    }
    return 0;
}

bool RunLoopTurn() {
    if (!PumpOneMessage()) return false;
    FrameTime = TickFrameClock();
    if (FrameTime == 0.0f) return true;

    const double started = MeasureFrameCosts ? platform::PreciseSeconds() : 0.0;
    UpdateGame();
    PublishSoundPositions();
    if (!IsRunning) return false;  // the game ended during the update: there is nothing to draw on
    const double updated = MeasureFrameCosts ? platform::PreciseSeconds() : 0.0;
    glMultMatrixf(ViewMatrixPtr->m);  // the view is folded into the pushed projection
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, LightTable[0].position);  // in world coordinates
    RenderScene();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    if (MeasureFrameCosts) {
        glFinish();
        LastFrameCosts =
            FrameCosts{(updated - started) * 1000.0, (platform::PreciseSeconds() - updated) * 1000.0};
    }
    platform::SwapBuffers();
    return true;
}

int RunProgram() {
    ExitStatus = 0;
    if (StartProgram() != 0) return -1;
    while (RunLoopTurn()) {
    }
    ShutdownApplication();
    return ExitStatus;
}

void ReleaseProgramObjects() {
    HudPanel.Release();  // before the window and its context go
    DestroyGameWindow();
    if (Settings.changed) Settings.Save();
}
