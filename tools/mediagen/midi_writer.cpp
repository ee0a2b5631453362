#include "midi_writer.h"

namespace {

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF));
}

void appendMeta(std::vector<std::uint8_t>& out, std::uint8_t type, const std::vector<std::uint8_t>& data) {
    out.push_back(0xFF);
    out.push_back(type);
    appendVarLen(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}

std::vector<std::uint8_t> textBytes(const std::string& text) { return {text.begin(), text.end()}; }

void appendChunk(std::vector<std::uint8_t>& file, const char* id, const std::vector<std::uint8_t>& body) {
    file.insert(file.end(), id, id + 4);
    appendBigEndian(file, static_cast<std::uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
}

int log2Of(int unit) {
    int power = 0;
    while ((1 << power) < unit) ++power;
    return power;
}

std::vector<std::uint8_t> encodeTrack(const MidiWriterTrack& track) {
    std::vector<std::uint8_t> body;
    std::uint32_t now = 0;
    std::uint8_t running = 0;
    if (!track.name.empty()) {
        body.push_back(0);
        appendMeta(body, 0x03, textBytes(track.name));
    }
    for (const MidiWriterEvent& event : track.events) {
        if (event.bytes.empty()) continue;
        appendVarLen(body, event.tick - now);
        now = event.tick;
        const std::uint8_t status = event.bytes[0];
        if (status >= 0xF0) {
            body.insert(body.end(), event.bytes.begin(), event.bytes.end());
            running = 0;
        } else if (status == running) {
            body.insert(body.end(), event.bytes.begin() + 1, event.bytes.end());
        } else {
            body.insert(body.end(), event.bytes.begin(), event.bytes.end());
            running = status;
        }
    }
    appendVarLen(body, track.endTick > now ? track.endTick - now : 0);
    appendMeta(body, 0x2F, {});
    return body;
}

}  // namespace

void appendVarLen(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0 && count < 5);
    while (count > 1) out.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
    out.push_back(groups[0]);
}

std::vector<std::uint8_t> encodeMidiFile(const MidiWriterSong& song) {
    std::vector<std::uint8_t> file;
    std::vector<std::uint8_t> header;
    appendBigEndian(header, 1, 2);  // format 1
    appendBigEndian(header, static_cast<std::uint32_t>(song.tracks.size() + 1), 2);
    appendBigEndian(header, static_cast<std::uint32_t>(song.division), 2);
    appendChunk(file, "MThd", header);

    MidiWriterTrack conductor;
    conductor.name = song.title;
    conductor.endTick = song.endTick;
    conductor.events.push_back({0,
                                {0xFF, 0x58, 4, static_cast<std::uint8_t>(song.meterBeats),
                                 static_cast<std::uint8_t>(log2Of(song.meterUnit)), 24, 8}});
    conductor.events.push_back({0,
                                {0xFF, 0x51, 3, static_cast<std::uint8_t>(song.tempo >> 16),
                                 static_cast<std::uint8_t>((song.tempo >> 8) & 0xFF),
                                 static_cast<std::uint8_t>(song.tempo & 0xFF)}});
    appendChunk(file, "MTrk", encodeTrack(conductor));
    for (const MidiWriterTrack& track : song.tracks) appendChunk(file, "MTrk", encodeTrack(track));
    return file;
}
