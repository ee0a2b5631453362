#include "audio/midi_file.h"

#include <algorithm>
#include <limits>

namespace {

// Tempo events this late are ignored: a song keeps the tempo of its start.
constexpr std::int64_t TempoTickLimit = 120;
constexpr std::int64_t MaxTime = std::numeric_limits<std::int32_t>::max();

struct FileInfo {
    int format = 0;
    int division = 0;
    bool smpte = false;
    std::int64_t smpteTicksPerSecond = 1000;  // frames x ticks per frame
};

std::uint32_t lengthOf24Bits(const std::uint8_t* p) {
    return std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]};
}

// A variable-length quantity of at most four bytes; false if it runs past the end or is longer.
bool readVarLen(const std::uint8_t* track, std::size_t length, std::size_t& i, std::uint32_t& value) {
    value = 0;
    for (int n = 0; n < 4; ++n) {
        if (i >= length) return false;
        const std::uint8_t byte = track[i++];
        value = value << 7 | (byte & 0x7Fu);
        if ((byte & 0x80) == 0) return true;
    }
    return false;
}

bool skip(std::size_t length, std::size_t& i, std::size_t count) {
    if (count > length - i) return false;
    i += count;
    return true;
}

// One track chunk's bytes; an event that would read past them ends the track.
void parseTrack(const std::uint8_t* track, std::size_t length, const FileInfo& info, std::int64_t& time,
                MidiSongState& song) {
    if (info.format > 0) time = 0;  // each track of a format 1 file counts from 0
    std::uint8_t running = 0;       // no running status at the start of a track
    std::size_t i = 0;
    bool endOfTrack = false;
    while (i < length && !endOfTrack) {
        std::uint32_t delta = 0;
        if (!readVarLen(track, length, i, delta)) return;
        time += delta;
        if (time > MaxTime || i >= length) return;
        if (track[i] & 0x80) running = track[i++];
        const std::uint8_t status = running;
        const int kind = status >> 4;
        std::uint8_t data1 = 0, data2 = 0;
        if (kind == 0x8 || kind == 0x9 || kind == 0xA || kind == 0xB || kind == 0xE) {
            if (length - i < 2) return;
            data1 = track[i];
            data2 = track[i + 1];
            i += 2;
        } else if (kind == 0xC || kind == 0xD) {
            if (i >= length) return;
            data1 = track[i++];
        } else if (status == 0xFF) {
            if (i >= length) return;
            const std::uint8_t type = track[i++];
            if (type == 0x2F) {
                endOfTrack = true;
            } else if (type == 0x51) {
                if (length - i < 4) return;
                const std::int64_t tempo = std::int64_t{track[i + 1]} << 16 |
                                           std::int64_t{track[i + 2]} << 8 | std::int64_t{track[i + 3]};
                i += 4;
                // Whole ticks per 10 ms, in integers so that exact tempos stay exact; never none,
                // which would hold the song on its first tick for ever.
                if (!info.smpte && tempo > 0 && info.division > 0 && time < TempoTickLimit)
                    song.ticksPerPeriod = static_cast<std::int32_t>(
                        std::max<std::int64_t>(1, std::int64_t{info.division} * 10'000 / tempo));
            } else if (type == 0x54) {
                if (!skip(length, i, 6)) return;
            } else if (type == 0x58) {
                if (!skip(length, i, 5)) return;
            } else {
                std::uint32_t skipped = 0;
                if (!readVarLen(track, length, i, skipped) || !skip(length, i, skipped)) return;
            }
        } else if (kind == 0xF) {
            std::uint32_t skipped = 0;
            if (!readVarLen(track, length, i, skipped) || !skip(length, i, skipped)) return;
        }
        if (kind >= 0x8 && kind <= 0xE && song.eventCount < MidiEventCapacity)
            song.events[song.eventCount++] = {static_cast<std::int32_t>(time), status, data1, data2, 0};
    }
}

}  // namespace

bool ParseMidiFile(const std::uint8_t* data, std::size_t size, MidiSongState& song) {
    FileInfo info;
    bool needsSorting = false;
    std::int64_t time = 0;
    std::size_t pos = 0;
    while (size - pos >= 4) {
        const std::uint8_t kind = data[pos + 2];  // only the third byte of the identifier is looked at
        pos += 4;
        if (kind == 'h') {
            if (size - pos < 4) return false;
            const std::uint32_t length = lengthOf24Bits(data + pos);
            pos += 4;
            if (length < 6 || size - pos < 6) return false;
            const std::uint8_t* header = data + pos;
            info.format = header[1];
            if (info.format > 1) return false;  // format 2: independent songs in one file
            if (header[3] != 1) needsSorting = true;
            if (header[4] & 0x80) {
                const int frames = -static_cast<int>(static_cast<std::int8_t>(header[4]));
                info.smpteTicksPerSecond = std::int64_t{frames} * header[5];
                info.smpte = true;
            } else {
                info.division = header[4] * 256 + header[5];
            }
            pos += std::min<std::size_t>(length, size - pos);
        } else if (kind == 'r') {
            if (size - pos < 4) break;
            const std::size_t length = std::min<std::size_t>(lengthOf24Bits(data + pos), size - pos - 4);
            pos += 4;
            parseTrack(data + pos, length, info, time, song);
            pos += length;
        }
        // Any other chunk: its four identifier bytes are passed over, nothing more.
    }
    if (needsSorting)
        std::stable_sort(song.events, song.events + song.eventCount,
                         [](const MidiEvent& a, const MidiEvent& b) { return a.time < b.time; });
    if (info.smpteTicksPerSecond != 1000)
        song.ticksPerPeriod = static_cast<std::int32_t>(info.smpteTicksPerSecond / 100);
    if (song.ticksPerPeriod < 1) song.ticksPerPeriod = 1;
    return true;
}
