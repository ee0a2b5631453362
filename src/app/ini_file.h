#pragma once
// A settings file of "[Section]" headers and "Key=Value" lines. Section and
// key names match without regard to case; lines the game does not know,
// comments included, are kept as they are when the file is written back.

#include <cstddef>
#include <string>
#include <vector>

class IniFile {
public:
    // Larger files are not ours to rewrite: they read as empty and are never saved over.
    static constexpr std::size_t MaxFileSize = 1u << 20;

    // A missing or unreadable file reads as empty.
    void Load(const std::string& path);

    // The leading decimal integer of the value (clamped to the int range), 0
    // when the value has none, `fallback` when the key is missing.
    int GetInt(const std::string& section, const std::string& key, int fallback) const;

    void SetString(const std::string& section, const std::string& key, const std::string& value);

    // Writes the whole file beside `path` and then renames it into place, so
    // that neither a failed write nor a crash ever leaves half a file. Lines
    // end as they did in the file that was loaded. A read-only file is left alone.
    bool Save(const std::string& path) const;

    // The first half of Save: the temporary file, complete and on disk.
    bool WriteTemporary(const std::string& path) const;
    static std::string TemporaryPath(const std::string& path) { return path + ".new"; }

private:
    // Index of the "Key=" line within the section, or -1; `sectionEnd` gets
    // the index after the section's last key line (or -1 without the section).
    int FindKey(const std::string& section, const std::string& key, int* sectionEnd) const;

    std::vector<std::string> lines_;
    bool crlf_ = false;
    bool tooLarge_ = false;
};
