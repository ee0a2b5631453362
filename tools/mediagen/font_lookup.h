#pragma once
// Finds a font file on this machine through fontconfig.

#include <string>

// `pattern` is a fontconfig name such as "sans-serif:bold"; `path` receives
// the file of the best match.
bool findFontFile(const std::string& pattern, std::string& path, std::string& error);
