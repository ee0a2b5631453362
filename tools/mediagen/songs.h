#pragma once
// The game's songs, from the scores in SOURCE/music.

#include <filesystem>

// Writes theme.mid, durge.mid and happy.mid; false (with a message on stderr) when a score is bad.
bool writeSongs(const std::filesystem::path& sourceFolder, const std::filesystem::path& mediaFolder);
