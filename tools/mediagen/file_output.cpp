#include "file_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

// The process id keeps two builds sharing a folder off each other's temporary file.
std::string temporaryFor(const std::string& path) { return path + "." + std::to_string(getpid()) + ".tmp"; }

bool writeTemporary(const std::string& temporary, const std::vector<std::uint8_t>& bytes,
                    std::string& error) {
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        error = "cannot create " + temporary + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = "cannot write " + temporary;
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                         std::string& error) {
    const std::string temporary = temporaryFor(path);
    if (!writeTemporary(temporary, bytes, error)) return false;
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot rename " + temporary + " to " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool writeFileIfAbsent(const std::string& path, const std::vector<std::uint8_t>& bytes, bool& written,
                       std::string& error) {
    written = false;
    const std::string temporary = temporaryFor(path);
    if (!writeTemporary(temporary, bytes, error)) return false;
    // A hard link, unlike a rename, refuses to replace what is there.
    const bool linked = link(temporary.c_str(), path.c_str()) == 0;
    const int linkError = errno;
    std::remove(temporary.c_str());
    if (linked) {
        written = true;
        return true;
    }
    if (linkError == EEXIST) return true;
    error = "cannot create " + path + ": " + std::strerror(linkError);
    return false;
}

bool readTextFile(const std::string& path, std::string& text, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::ostringstream contents;
    contents << in.rdbuf();
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    text = contents.str();
    return true;
}
