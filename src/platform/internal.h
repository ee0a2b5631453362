#pragma once
// Pieces shared by the two backends; not for the game.

#include <string>

namespace platform {

// Folder of the running executable, from /proc/self/exe.
std::string RunningExecutableFolder();

// Tells the allocator to keep freed memory rather than hand it back to the
// system and fault it in again; each backend calls it at start-up.
void KeepFreedMemory();

}  // namespace platform
