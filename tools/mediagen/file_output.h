#pragma once
// Whole-file writes that never leave half a file behind.

#include <cstdint>
#include <string>
#include <vector>

// Writes beside the target under a temporary name, then renames it into place.
bool writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error);

// Writes the file only when nothing is at `path` yet; `written` says whether
// it was. What is there already is never touched, not even when it appears
// while this runs.
bool writeFileIfAbsent(const std::string& path, const std::vector<std::uint8_t>& bytes, bool& written,
                       std::string& error);

bool readTextFile(const std::string& path, std::string& text, std::string& error);
