// libFuzzer entry: the song reader on any bytes. It must refuse or fill the
// table without reading outside the bytes or writing past the table.

#include "audio/midi_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
MidiSongState Song;  // half a megabyte: not on the stack
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Song.eventCount = 0;
    Song.ticksPerPeriod = DefaultTicksPerPeriod;
    ParseMidiFile(data, size, Song);
    if (Song.eventCount < 0 || Song.eventCount > MidiEventCapacity || Song.ticksPerPeriod < 1) std::abort();
    for (int i = 0; i < Song.eventCount; ++i)
        if (Song.events[i].status < 0x80 || Song.events[i].status >= 0xF0) std::abort();
    return 0;
}
