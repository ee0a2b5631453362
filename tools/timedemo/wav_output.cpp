#include "wav_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xff));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xff));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xffff);
    Put16(out, value >> 16);
}

void PutId(std::vector<std::uint8_t>& out, const char* id) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(id[i]));
}

}  // namespace

bool WriteStereoWav(const std::string& path, const std::vector<std::int16_t>& samples, std::string& error) {
    const std::uint64_t dataBytes = samples.size() * 2;
    if (dataBytes > 0xffffffffu - 36) {
        error = path + ": too much sound for one WAV file";
        return false;
    }
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    PutId(out, "RIFF");
    Put32(out, static_cast<std::uint32_t>(36 + dataBytes));
    PutId(out, "WAVE");
    PutId(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, 2);
    Put32(out, 11025);
    Put32(out, 11025 * 4);
    Put16(out, 4);
    Put16(out, 16);
    PutId(out, "data");
    Put32(out, static_cast<std::uint32_t>(dataBytes));
    for (std::int16_t s : samples) Put16(out, static_cast<std::uint16_t>(s));
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = path + ": could not write the sound";
        return false;
    }
    return true;
}
