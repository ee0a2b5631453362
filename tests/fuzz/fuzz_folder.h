#pragma once
// A game folder of its own for a fuzzer whose reader opens a media file by
// name: each input is written there and read back through the game's path.

#include "platform/headless/headless.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

class FuzzFolder {
public:
    FuzzFolder() {
        // In memory where there is room: the settings writer syncs every save to disk.
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        std::string pattern = (base / "umbrafall-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
        std::filesystem::create_directory(path_ + "/media");
        platform::headless::SetExecutableFolder(path_);
    }
    ~FuzzFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    FuzzFolder(const FuzzFolder&) = delete;
    FuzzFolder& operator=(const FuzzFolder&) = delete;

    std::string media(const char* name) const { return path_ + "/media/" + name; }

    void write(const char* name, const std::uint8_t* data, std::size_t size) const {
        std::FILE* file = std::fopen(media(name).c_str(), "wb");
        if (!file) std::abort();
        if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
        if (std::fclose(file) != 0) std::abort();
    }

private:
    std::string path_;
};
