#include "platform/internal.h"
#include "platform/platform.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>

namespace platform {

std::vector<std::string> FindFiles(const std::string& folder, const std::string& pattern, bool ignoreCase) {
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        std::string name = it->path().filename().string();
        if (fnmatch(pattern.c_str(), name.c_str(), FNM_PERIOD | (ignoreCase ? FNM_CASEFOLD : 0)) == 0)
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::FILE* OpenFileForReading(const char* path) {
    if (!path) return nullptr;
    // Non-blocking, or opening a pipe would wait for a writer.
    int file = -1;
    do {
        file = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (file < 0 && errno == EINTR);
    if (file < 0) return nullptr;
    struct stat info {};
    const int flags = ::fcntl(file, F_GETFL);
    if (::fstat(file, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 ||
        ::fcntl(file, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(file);
        errno = EINVAL;
        return nullptr;
    }
    std::FILE* stream = ::fdopen(file, "rb");
    if (!stream) ::close(file);
    return stream;
}

bool WriteWholeFile(const std::string& path, const std::string& contents) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0) return false;
    bool ok = true;
    for (std::size_t done = 0; ok && done < contents.size();) {
        const ssize_t written = ::write(file, contents.data() + done, contents.size() - done);
        if (written > 0)
            done += static_cast<std::size_t>(written);
        else if (written < 0 && errno == EINTR)
            continue;
        else
            ok = false;
    }
    ok = ::fsync(file) == 0 && ok;
    return ::close(file) == 0 && ok;
}

bool FileIsReadOnly(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

double PreciseSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string RunningExecutableFolder() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : exe.parent_path().string();
}

}  // namespace platform
