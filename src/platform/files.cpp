#include "platform/internal.h"
#include "platform/platform.h"

#include <fcntl.h>
#include <fnmatch.h>
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
