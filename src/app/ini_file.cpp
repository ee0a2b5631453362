#include "app/ini_file.h"

#include "platform/platform.h"

#include <strings.h>
#include <cctype>
#include <climits>
#include <cstdio>
#include <utility>

namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

// The name of a "[Section]" line, or false for any other line.
bool SectionName(const std::string& line, std::string& name) {
    const std::string text = Trim(line);
    if (text.size() < 2 || text.front() != '[') return false;
    const auto close = text.find(']');
    if (close == std::string::npos) return false;
    name = Trim(text.substr(1, close - 1));
    return true;
}

int ParseLeadingInt(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) value = static_cast<long long>(INT_MAX) + 1;  // saturate
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

void IniFile::Load(const std::string& path) {
    lines_.clear();
    crlf_ = false;
    tooLarge_ = false;
    std::FILE* file = platform::OpenFileForReading(path.c_str());
    if (!file) return;
    std::string text(MaxFileSize + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    // Half a file read is not ours to rewrite either.
    if (text.size() > MaxFileSize || readError) {
        tooLarge_ = true;
        return;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            if (lines_.empty()) crlf_ = true;
        }
        lines_.push_back(std::move(line));
        start = end + 1;
    }
}

int IniFile::FindKey(const std::string& section, const std::string& key, int* sectionEnd) const {
    bool inSection = false;
    int end = -1;
    for (int i = 0; i < static_cast<int>(lines_.size()); ++i) {
        const std::string& line = lines_[static_cast<std::size_t>(i)];
        std::string name;
        if (SectionName(line, name)) {
            inSection = SameName(name, section);
            if (inSection) end = i + 1;
            continue;
        }
        if (!inSection) continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        end = i + 1;
        if (SameName(Trim(line.substr(0, equals)), key)) {
            if (sectionEnd) *sectionEnd = end;
            return i;
        }
    }
    if (sectionEnd) *sectionEnd = end;
    return -1;
}

int IniFile::GetInt(const std::string& section, const std::string& key, int fallback) const {
    const int index = FindKey(section, key, nullptr);
    if (index < 0) return fallback;
    const std::string& line = lines_[static_cast<std::size_t>(index)];
    return ParseLeadingInt(Trim(line.substr(line.find('=') + 1)));
}

void IniFile::SetString(const std::string& section, const std::string& key, const std::string& value) {
    int sectionEnd = -1;
    const int index = FindKey(section, key, &sectionEnd);
    const std::string line = key + "=" + value;
    if (index >= 0) {
        lines_[static_cast<std::size_t>(index)] = line;
    } else if (sectionEnd >= 0) {
        lines_.insert(lines_.begin() + sectionEnd, line);
    } else {
        lines_.push_back("[" + section + "]");
        lines_.push_back(line);
    }
}

bool IniFile::WriteTemporary(const std::string& path) const {
    if (tooLarge_) return false;
    std::string text;
    for (const std::string& line : lines_) text += line + (crlf_ ? "\r\n" : "\n");
    const std::string temporary = TemporaryPath(path);
    if (platform::WriteWholeFile(temporary, text)) return true;
    std::remove(temporary.c_str());
    return false;
}

bool IniFile::Save(const std::string& path) const {
    // The player made it read-only: a rename would replace it all the same.
    if (platform::FileIsReadOnly(path)) return false;
    if (!WriteTemporary(path)) return false;
    const std::string temporary = TemporaryPath(path);
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
