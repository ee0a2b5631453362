#pragma once
// A settings file of "[Section]" headers and "Key=Value" lines. Section and
// key names match without regard to case; lines the game does not know,
// comments included, are kept as they are when the file is written back.

#include <string>
#include <vector>

class IniFile {
public:
    // A missing or unreadable file reads as empty.
    void Load(const std::string& path);

    // The leading decimal integer of the value (clamped to the int range), 0
    // when the value has none, `fallback` when the key is missing.
    int GetInt(const std::string& section, const std::string& key, int fallback) const;

    void SetString(const std::string& section, const std::string& key, const std::string& value);

    // Writes through a temporary file, so a failed write never leaves half a file.
    bool Save(const std::string& path) const;

private:
    // Index of the "Key=" line within the section, or -1; `sectionEnd` gets
    // the index after the section's last key line (or -1 without the section).
    int FindKey(const std::string& section, const std::string& key, int* sectionEnd) const;

    std::vector<std::string> lines_;
};
