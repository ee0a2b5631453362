#pragma once
// Pieces shared by the two backends; not for the game.

#include <string>

namespace platform {

// Folder of the running executable, from /proc/self/exe.
std::string RunningExecutableFolder();

}  // namespace platform
