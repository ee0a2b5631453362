#pragma once
// Pieces shared by the two backends; not for the game.

#include "platform/platform.h"

#include <cstdint>
#include <string>

namespace platform {

// Folder of the running executable, from /proc/self/exe.
std::string RunningExecutableFolder();

// Periodic timers on threads of their own, with the meaning of
// StartPeriodicTimer, StopPeriodicTimer and TimerIsRunning.
int StartThreadTimer(std::uint32_t periodMs, TimerCallback callback, void* user);
void StopThreadTimer(int id);
bool ThreadTimerIsRunning(int id);
void SleepRealMilliseconds(std::uint32_t milliseconds);

}  // namespace platform
