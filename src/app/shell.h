#pragma once
// Program entry, the main loop and its frame clock, and the program-wide
// state of the application shell.

#include "math/matrix.h"

extern bool IsRunning;  // the main loop runs while this is set
extern bool IsPaused;   // toggled by P
extern float ClearColour[4];

// Seconds between the two most recent accepted frames; 0 on turns that draw nothing.
extern float FrameTime;

struct LightRecord {
    int enabled;  // on when greater than 0
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float position[4];  // homogeneous
};

inline constexpr int LightCount = 8;
extern LightRecord LightTable[LightCount];  // record 0 is GL_LIGHT0

// The view matrix the loop folds into the projection each frame; the game
// rewrites it in place.
extern Matrix4 ViewMatrix;
extern Matrix4* const ViewMatrixPtr;

// What the last drawn frame cost in wall-clock milliseconds, when
// MeasureFrameCosts is set (by a benchmark: it waits for each frame's drawing
// to finish, which the game itself never does).
struct FrameCosts {
    double updateMs;
    double renderMs;
};
extern bool MeasureFrameCosts;
extern FrameCosts LastFrameCosts;

// The clock in seconds, as the frame clock reads it.
float ClockSeconds();

// Makes now the last frame time, so that a long pause (loading) is not
// seen as one frame.
void ResetFrameClock();

bool InitApplication(const float clearColour[4]);

// The OpenGL state every drawing relies on: depth test, back faces culled,
// the blend function, texturing and the three client arrays.
void SetFixedGLState();

// Handles at most one window message (and the joystick); returns IsRunning.
bool PumpOneMessage();

// Seconds since the last accepted frame once at least 15 ms have passed and
// the game is not paused; 0 otherwise. An accepted frame starts here: the
// buffers are cleared and the projection pushed.
float TickFrameClock();

// "Could not load media." under "SHUTDOWN ERROR", then the window goes.
void ShowFatalError();

// Music off, MIDI device closed, cave texture deleted.
void ShutdownApplication();

// The entry steps before the loop: title music, start-up, media. 0 when the
// loop may run, -1 after a failure (already shut down).
int StartProgram();

// One turn of the main loop; false once the game has ended.
bool RunLoopTurn();

// The whole program run: start, loop, shut down. The exit status: 0, or -1
// after a failed start or a fatal error.
int RunProgram();

// Releases the program-wide objects in the reverse order of their creation;
// the shell state comes last: the window teardown, then the settings.
void ReleaseProgramObjects();
