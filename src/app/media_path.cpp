#include "app/media_path.h"

#include "platform/platform.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

char LevelFiles[MaxLevelFiles][PathCapacity];

namespace {

std::string MediaFolder() { return platform::ExecutableFolder() + "/media"; }

// The file name as a pattern that matches only itself.
std::string Literal(const char* name) {
    std::string pattern;
    for (; *name; ++name) {
        if (*name == '*' || *name == '?' || *name == '[' || *name == '\\') pattern += '\\';
        pattern += *name;
    }
    return pattern;
}

void TakeNameOfAnyCase(PathBuffer& out) {
    if (platform::FileExists(out)) return;
    char* slash = std::strrchr(out, '/');
    if (!slash) return;
    const std::string folder(out, slash), name(slash + 1);
    const std::vector<std::string> found = platform::FindFiles(folder, Literal(name.c_str()), true);
    // Same length in bytes for ASCII letters; check anyway before copying.
    if (!found.empty() && found[0].size() == name.size())
        std::memcpy(slash + 1, found[0].c_str(), name.size());
}

}  // namespace

bool MediaPath(PathBuffer& out, const char* fileName) {
    const int length = std::snprintf(out, PathCapacity, "%s/%s", MediaFolder().c_str(), fileName);
    if (length < 0 || static_cast<std::size_t>(length) >= PathCapacity) {
        out[0] = '\0';
        return false;
    }
    TakeNameOfAnyCase(out);
    return true;
}

bool MediaPathInPlace(PathBuffer& buffer) {
    PathBuffer name;
    std::memcpy(name, buffer, PathCapacity);
    name[PathCapacity - 1] = '\0';
    return MediaPath(buffer, name);
}

int FindLevelFiles() {
    int count = 0;
    for (const std::string& name : platform::FindFiles(MediaFolder(), "cavemap*.bmp", true)) {
        if (count == MaxLevelFiles) break;
        if (name.size() >= PathCapacity) continue;
        std::memcpy(LevelFiles[count], name.c_str(), name.size() + 1);
        ++count;
    }
    return count;
}
