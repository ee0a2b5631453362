#pragma once
// Whole-file writes that never leave half a file behind.

#include <cstdint>
#include <string>
#include <vector>

// Writes beside the target under a temporary name, then renames it into place.
bool writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error);

bool readTextFile(const std::string& path, std::string& text, std::string& error);
