#include "score.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace {

struct Token {
    std::string text;
    int line;
};

struct Part {
    std::string name;
    int line = 0;
    int channel = 0;
    int velocity = 80;
    int program = -1;
    int volume = -1, pan = -1, reverb = -1, chorus = -1;
    std::vector<Token> tokens;
};

struct Note {
    std::uint32_t start, length;
    int key, velocity;
};

// Sorting key within a tick: notes end, then controls, then notes begin.
struct Timed {
    std::uint32_t tick;
    int order;
    MidiWriterEvent event;
};

std::string at(int line) { return "line " + std::to_string(line) + ": "; }

bool parseInt(const std::string& text, int low, int high, int& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < low || v > high) return false;
    value = static_cast<int>(v);
    return true;
}

bool parsePitch(const std::string& text, int& key) {
    if (text.size() >= 2 && text[0] == 'n') return parseInt(text.substr(1), 0, 127, key);
    static const int Semitones[] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
    if (text.size() < 2 || text[0] < 'a' || text[0] > 'g') return false;
    int semitone = Semitones[text[0] - 'a'];
    std::size_t i = 1;
    if (text[i] == '#')
        ++semitone, ++i;
    else if (text[i] == 'b' && i + 1 < text.size())
        --semitone, ++i;
    int octave = 0;
    if (!parseInt(text.substr(i), -1, 9, octave)) return false;
    key = 12 * (octave + 1) + semitone;
    return key >= 0 && key <= 127;
}

bool parseLength(const std::string& text, int division, std::uint32_t& ticks) {
    std::string value = text;
    int times = 1;
    if (const std::size_t star = value.find('*'); star != std::string::npos) {
        if (!parseInt(value.substr(star + 1), 1, 64, times)) return false;
        value.resize(star);
    }
    const bool dotted = !value.empty() && value.back() == '.';
    if (dotted) value.pop_back();
    int unit = 0;
    if (!parseInt(value, 1, 64, unit) || (unit & (unit - 1)) != 0 || (division * 4) % unit != 0) return false;
    std::uint32_t base = static_cast<std::uint32_t>(division * 4 / unit);
    if (dotted) {
        if (base % 2 != 0) return false;
        base += base / 2;
    }
    ticks = base * static_cast<std::uint32_t>(times);
    return true;
}

// Expands { ... }N groups.
bool expand(const std::vector<Token>& in, std::size_t& i, std::vector<Token>& out, bool inGroup,
            std::string& error) {
    while (i < in.size()) {
        const Token& token = in[i++];
        if (token.text == "{") {
            std::vector<Token> group;
            const int line = token.line;
            if (!expand(in, i, group, true, error)) return false;
            if (i == 0 || in[i - 1].text[0] != '}') return error = at(line) + "'{' without '}N'", false;
            int times = 0;
            if (!parseInt(in[i - 1].text.substr(1), 1, 256, times))
                return error = at(in[i - 1].line) + "bad repeat count '" + in[i - 1].text + "'", false;
            for (int n = 0; n < times; ++n) out.insert(out.end(), group.begin(), group.end());
        } else if (token.text[0] == '}') {
            if (!inGroup) return error = at(token.line) + "'}' without '{'", false;
            return true;
        } else {
            out.push_back(token);
        }
    }
    if (inGroup) return error = "a '{' is never closed", false;
    return true;
}

bool playPart(const Part& part, const MidiWriterSong& song, std::vector<Note>& notes, std::uint32_t& end,
              std::string& error) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    if (!expand(part.tokens, i, tokens, false, error)) return false;
    const std::uint32_t bar =
        static_cast<std::uint32_t>(song.division * 4 * song.meterBeats / song.meterUnit);
    std::uint32_t now = 0;
    std::uint32_t length = static_cast<std::uint32_t>(song.division);
    int velocity = part.velocity;
    for (const Token& token : tokens) {
        const std::string& t = token.text;
        if (t == "|") {
            if (now % bar != 0)
                return error = at(token.line) + "bar line " + std::to_string(now % bar) + " ticks into a bar",
                       false;
            continue;
        }
        if (t[0] == 'v' && t.size() > 1 && std::isdigit(static_cast<unsigned char>(t[1]))) {
            if (!parseInt(t.substr(1), 1, 127, velocity))
                return error = at(token.line) + "bad velocity " + t, false;
            continue;
        }
        std::string pitches = t;
        if (const std::size_t slash = t.find('/'); slash != std::string::npos) {
            if (!parseLength(t.substr(slash + 1), song.division, length))
                return error = at(token.line) + "bad length in '" + t + "'", false;
            pitches = t.substr(0, slash);
        }
        if (pitches != "r") {
            std::stringstream chord(pitches);
            std::string pitch;
            int count = 0;
            while (std::getline(chord, pitch, '+')) {
                int key = 0;
                if (!parsePitch(pitch, key))
                    return error = at(token.line) + "bad note '" + pitch + "'", false;
                notes.push_back({now, length, key, velocity});
                ++count;
            }
            if (count == 0) return error = at(token.line) + "bad note '" + t + "'", false;
        }
        now += length;
    }
    end = now;
    return true;
}

MidiWriterEvent channelMessage(int status, int data1, int data2 = -1) {
    MidiWriterEvent event{0, {static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1)}};
    if (data2 >= 0) event.bytes.push_back(static_cast<std::uint8_t>(data2));
    return event;
}

MidiWriterTrack buildTrack(const Part& part, const std::vector<Note>& notes, std::uint32_t end) {
    std::vector<Timed> timed;
    const int ch = part.channel;
    if (part.program >= 0) timed.push_back({0, 1, channelMessage(0xC0 | ch, part.program)});
    const int controls[][2] = {{7, part.volume}, {10, part.pan}, {91, part.reverb}, {93, part.chorus}};
    for (const auto& control : controls)
        if (control[1] >= 0) timed.push_back({0, 1, channelMessage(0xB0 | ch, control[0], control[1])});
    for (const Note& note : notes) {
        timed.push_back({note.start, 2, channelMessage(0x90 | ch, note.key, note.velocity)});
        timed.push_back({note.start + note.length, 0, channelMessage(0x80 | ch, note.key, 64)});
    }
    std::stable_sort(timed.begin(), timed.end(), [](const Timed& a, const Timed& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    MidiWriterTrack track;
    track.name = part.name;
    track.endTick = end;
    for (Timed& t : timed) {
        t.event.tick = t.tick;
        track.events.push_back(std::move(t.event));
    }
    return track;
}

}  // namespace

bool parseScore(const std::string& text, MidiWriterSong& song, std::string& error) {
    song = MidiWriterSong{};
    std::vector<Part> parts;
    bool loop = false;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        // A comment starts with a '#' of its own; one after a note letter is a sharp.
        for (std::size_t hash = line.find('#'); hash != std::string::npos; hash = line.find('#', hash + 1))
            if (hash == 0 || std::isspace(static_cast<unsigned char>(line[hash - 1]))) {
                line.resize(hash);
                break;
            }
        std::istringstream words(line);
        std::string word;
        if (!(words >> word)) continue;
        std::vector<std::string> args;
        for (std::string a; words >> a;) args.push_back(a);
        const auto number1 = [&](int low, int high, int& value) {
            if (args.size() != 1 || !parseInt(args[0], low, high, value))
                return error = at(number) + word + " wants one number from " + std::to_string(low) + " to " +
                               std::to_string(high),
                       false;
            return true;
        };
        int value = 0;
        if (word == "title") {
            song.title.clear();
            for (const std::string& a : args) song.title += (song.title.empty() ? "" : " ") + a;
        } else if (word == "division") {
            if (!number1(24, 32767, song.division)) return false;
        } else if (word == "tempo") {
            if (!number1(1, 0xFFFFFF, value)) return false;
            song.tempo = static_cast<std::uint32_t>(value);
        } else if (word == "meter") {
            if (args.size() != 2 || !parseInt(args[0], 1, 32, song.meterBeats) ||
                !parseInt(args[1], 1, 32, song.meterUnit) || (song.meterUnit & (song.meterUnit - 1)) != 0)
                return error = at(number) + "meter wants beats and a power-of-two unit", false;
        } else if (word == "loop") {
            loop = true;
        } else if (word == "track") {
            parts.push_back({});
            parts.back().line = number;
            for (const std::string& a : args) parts.back().name += (parts.back().name.empty() ? "" : " ") + a;
        } else if (word == "channel" || word == "program" || word == "volume" || word == "pan" ||
                   word == "reverb" || word == "chorus" || word == "velocity") {
            if (parts.empty()) return error = at(number) + word + " before any track", false;
            Part& part = parts.back();
            int* field = word == "channel"   ? &part.channel
                         : word == "program" ? &part.program
                         : word == "volume"  ? &part.volume
                         : word == "pan"     ? &part.pan
                         : word == "reverb"  ? &part.reverb
                         : word == "chorus"  ? &part.chorus
                                             : &part.velocity;
            if (!number1(word == "velocity" ? 1 : 0, word == "channel" ? 15 : 127, *field)) return false;
        } else {
            if (parts.empty()) return error = at(number) + "notes before any track", false;
            parts.back().tokens.push_back({word, number});
            for (const std::string& a : args) parts.back().tokens.push_back({a, number});
        }
    }
    if (parts.empty()) return error = "no tracks", false;

    std::vector<std::vector<Note>> notes(parts.size());
    std::vector<std::uint32_t> ends(parts.size());
    for (std::size_t p = 0; p < parts.size(); ++p) {
        if (!playPart(parts[p], song, notes[p], ends[p], error)) return false;
        if (notes[p].empty())
            return error = at(parts[p].line) + "track " + parts[p].name + " has no notes", false;
        song.endTick = std::max(song.endTick, ends[p]);
    }
    if (loop) {
        const std::uint32_t bar =
            static_cast<std::uint32_t>(song.division * 4 * song.meterBeats / song.meterUnit);
        for (std::size_t p = 0; p < parts.size(); ++p)
            if (ends[p] != song.endTick)
                return error = at(parts[p].line) + "track " + parts[p].name + " ends at " +
                               std::to_string(ends[p]) + ", the song at " + std::to_string(song.endTick),
                       false;
        if (song.endTick % bar != 0) return error = "a looping song must end on a bar line", false;
    }
    for (std::size_t p = 0; p < parts.size(); ++p) {
        song.tracks.push_back(buildTrack(parts[p], notes[p], song.endTick));
        song.tracks.back().endTick = song.endTick;
    }
    if (loop) {
        // The player starts again after the last message: one at the very end keeps the loop whole
        // even when every part ends in a rest. Setting the volume it already has changes nothing.
        const Part& first = parts.front();
        MidiWriterEvent marker =
            channelMessage(0xB0 | first.channel, 7, first.volume >= 0 ? first.volume : 100);
        marker.tick = song.endTick;
        song.tracks.front().events.push_back(marker);
    }
    return true;
}
