#include "script.h"

#include "platform/keys.h"

#include <strings.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

constexpr long MaxScriptFrame = 100'000'000;
constexpr long MaxPointerCoordinate = 1'000'000;

bool ParseNumber(const std::string& text, long low, long high, int& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
    value = static_cast<int>(parsed);
    return true;
}

bool Same(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

// One non-comment line into `event`; false with the reason in `error`.
bool ParseLine(const std::vector<std::string>& words, ScriptEvent& event, std::string& error) {
    using platform::MessageType;
    if (words.size() < 2 || !ParseNumber(words[0], 0, MaxScriptFrame, event.frame)) {
        error = "expected a frame number and an action";
        return false;
    }
    event.message = platform::Message{MessageType::Other, 0, 0, 0};
    const std::string& action = words[1];
    if (Same(action, "down") || Same(action, "up")) {
        if (words.size() != 3) {
            error = "'" + action + "' takes one key";
            return false;
        }
        const int key = KeyCodeFromName(words[2]);
        if (key < 0) {
            error = "unknown key \"" + words[2] + "\"";
            return false;
        }
        event.message.type = Same(action, "down") ? MessageType::KeyDown : MessageType::KeyUp;
        event.message.key = key;
        return true;
    }
    if (Same(action, "pointer")) {
        if (words.size() != 4 ||
            !ParseNumber(words[2], -MaxPointerCoordinate, MaxPointerCoordinate, event.message.x) ||
            !ParseNumber(words[3], -MaxPointerCoordinate, MaxPointerCoordinate, event.message.y)) {
            error = "'pointer' takes two whole pixel coordinates";
            return false;
        }
        event.message.type = MessageType::PointerMove;
        return true;
    }
    if (Same(action, "click")) {
        if (words.size() != 4 || !(Same(words[2], "left") || Same(words[2], "right")) ||
            !(Same(words[3], "down") || Same(words[3], "up"))) {
            error = "'click' takes left|right and down|up";
            return false;
        }
        const bool left = Same(words[2], "left");
        const bool down = Same(words[3], "down");
        event.message.type = left ? (down ? MessageType::LeftButtonDown : MessageType::LeftButtonUp)
                                  : (down ? MessageType::RightButtonDown : MessageType::RightButtonUp);
        return true;
    }
    error = "unknown action \"" + action + "\" (down, up, pointer, click)";
    return false;
}

}  // namespace

int KeyCodeFromName(std::string_view name) {
    if (name.size() == 1) {
        const unsigned char c = static_cast<unsigned char>(name[0]);
        if (std::isalpha(c)) return std::toupper(c);
        if (std::isdigit(c)) return c;
        return -1;
    }
    struct Named {
        const char* name;
        int code;
    };
    static constexpr Named Keys[] = {
        {"up", VK_UP},       {"down", VK_DOWN},   {"left", VK_LEFT},    {"right", VK_RIGHT},
        {"space", VK_SPACE}, {"shift", VK_SHIFT}, {"ctrl", VK_CONTROL}, {"esc", VK_ESCAPE},
    };
    const std::string text(name);
    for (const Named& key : Keys) {
        if (Same(text, key.name)) return key.code;
    }
    return -1;
}

bool ParseScript(const std::string& text, std::vector<ScriptEvent>& events, std::string& error) {
    events.clear();
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        std::istringstream tokens(line);
        std::vector<std::string> words;
        for (std::string word; tokens >> word;) words.push_back(word);
        if (words.empty() || words[0][0] == '#') continue;
        ScriptEvent event{};
        if (!ParseLine(words, event, error)) {
            error = "line " + std::to_string(number) + ": " + error;
            events.clear();
            return false;
        }
        events.push_back(event);
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
    return true;
}

bool LoadScript(const std::string& path, std::vector<ScriptEvent>& events, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read the script \"" + path + "\"";
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (!ParseScript(text.str(), events, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}
