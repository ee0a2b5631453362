#pragma once
// Standard MIDI File bytes put together by hand for the tests.

#include <cstdint>
#include <string>

namespace midi_test {

inline std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

inline std::string varLen(std::uint32_t value) {
    std::string out(1, static_cast<char>(value & 0x7F));
    while (value >>= 7) out.insert(out.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    return out;
}

inline std::string bigEndian32(std::uint32_t value) {
    return bytes({static_cast<int>(value >> 24), static_cast<int>((value >> 16) & 0xFF),
                  static_cast<int>((value >> 8) & 0xFF), static_cast<int>(value & 0xFF)});
}

// "MThd", length 6, format, track count, division (two bytes as stored).
inline std::string header(int format, int tracks, int divisionHigh, int divisionLow) {
    return "MThd" + bigEndian32(6) +
           bytes({0, format, tracks >> 8, tracks & 0xFF, divisionHigh, divisionLow});
}

inline std::string header(int format, int tracks, int division) {
    return header(format, tracks, division >> 8, division & 0xFF);
}

inline std::string track(const std::string& body) {
    return "MTrk" + bigEndian32(static_cast<std::uint32_t>(body.size())) + body;
}

// Events with their delta times.
inline std::string note(std::uint32_t delta, int status, int key, int velocity) {
    return varLen(delta) + bytes({status, key, velocity});
}
inline std::string tempo(std::uint32_t delta, std::uint32_t microseconds) {
    return varLen(delta) +
           bytes({0xFF, 0x51, 0x03, static_cast<int>(microseconds >> 16),
                  static_cast<int>((microseconds >> 8) & 0xFF), static_cast<int>(microseconds & 0xFF)});
}
inline std::string endOfTrack(std::uint32_t delta = 0) { return varLen(delta) + bytes({0xFF, 0x2F, 0x00}); }

}  // namespace midi_test
