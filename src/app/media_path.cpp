#include "app/media_path.h"

#include "platform/platform.h"

#include <cstdio>
#include <cstring>
#include <string>

char LevelFiles[MaxLevelFiles][PathCapacity];

namespace {

std::string MediaFolder() { return platform::ExecutableFolder() + "/media"; }

}  // namespace

bool MediaPath(PathBuffer& out, const char* fileName) {
    const int length = std::snprintf(out, PathCapacity, "%s/%s", MediaFolder().c_str(), fileName);
    if (length < 0 || static_cast<std::size_t>(length) >= PathCapacity) {
        out[0] = '\0';
        return false;
    }
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
    for (const std::string& name : platform::FindFiles(MediaFolder(), "cavemap*.bmp")) {
        if (count == MaxLevelFiles) break;
        if (name.size() >= PathCapacity) continue;
        std::memcpy(LevelFiles[count], name.c_str(), name.size() + 1);
        ++count;
    }
    return count;
}
