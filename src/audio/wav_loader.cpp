#include "audio/wav_loader.h"

#include "app/media_path.h"
#include "app/utilities.h"
#include "audio/adpcm_decoder.h"
#include "audio/sound_mixer.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t FormatCapacity = 50;  // WAVEFORMATEX and the seven ADPCM coefficient pairs
constexpr int FormatPcm = 1;
constexpr int FormatAdpcm = 2;

// Closes the file on every way out.
struct WavFile {
    std::FILE* file = nullptr;
    long remaining = 0;
    ~WavFile() {
        if (file) std::fclose(file);
    }
    bool read(void* to, long bytes) {
        if (bytes < 0 || bytes > remaining) return false;
        remaining -= bytes;
        return std::fread(to, 1, static_cast<std::size_t>(bytes), file) == static_cast<std::size_t>(bytes);
    }
    bool skip(long bytes) {
        if (bytes < 0 || bytes > remaining) return false;
        remaining -= bytes;
        return std::fseek(file, bytes, SEEK_CUR) == 0;
    }
    bool read32(std::uint32_t& value) {
        std::uint8_t b[4];
        if (!read(b, 4)) return false;
        value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
        return true;
    }
};

bool startsWith(const char id[4], const char* three) { return std::memcmp(id, three, 3) == 0; }

int LoadAdpcm(SoundSample& slot, const std::uint8_t* format, std::size_t formatSize, std::size_t bytes) {
    AdpcmFormat adpcm;
    if (!readAdpcmFormat(format, formatSize, adpcm)) return -5;
    const std::size_t samples = adpcmDecodedSamples(adpcm, bytes);
    if (samples <= static_cast<std::size_t>(MixHistory) || samples > 0x7fffffff) return -5;
    auto* pcm = static_cast<std::int16_t*>(std::malloc(samples * sizeof(std::int16_t)));
    if (!pcm) return -5;
    if (!decodeAdpcm(adpcm, reinterpret_cast<const std::uint8_t*>(slot.data), bytes, pcm)) {
        std::free(pcm);
        return -5;
    }
    std::free(slot.data);
    slot.data = pcm;
    slot.count = static_cast<int>(samples);
    return 0;
}

int ReadSample(SoundSample& slot, const char* fileName) {
    PathBuffer path;
    MediaPath(path, fileName);
    WavFile wav;
    wav.file = platform::OpenFileForReading(path);
    if (!wav.file) {
        ShowMessage("Could not open file:", path);
        return -1;
    }
    if (std::fseek(wav.file, 0, SEEK_END) != 0) return -1;
    wav.remaining = std::ftell(wav.file);
    if (wav.remaining < 0 || std::fseek(wav.file, 0, SEEK_SET) != 0) return -1;

    char id[4];
    std::uint32_t size = 0;
    if (!wav.read(id, 4) || !startsWith(id, "RIF")) return -1;
    if (!wav.read32(size)) return -2;
    if (!wav.read(id, 4) || !startsWith(id, "WAV")) return -2;
    if (!wav.read(id, 4) || !startsWith(id, "fmt")) return -3;
    if (!wav.read32(size) || size > FormatCapacity) return -4;
    std::uint8_t format[FormatCapacity] = {};
    const std::size_t formatSize = size;
    if (!wav.read(format, static_cast<long>(size))) return -4;

    // Chunks up to the data chunk, skipped without their pad bytes.
    if (!wav.read(id, 4)) return -4;
    while (!(startsWith(id, "dat") && id[3] == id[1])) {
        if (!wav.read32(size) || size > 0x7fffffffu || !wav.skip(static_cast<long>(size)) || !wav.read(id, 4))
            return -4;
    }
    if (!wav.read32(size) || size > static_cast<std::uint32_t>(wav.remaining)) return -4;
    const std::size_t bytes = size;
    slot.data = static_cast<std::int16_t*>(std::malloc(bytes > 0 ? bytes : 1));
    if (!slot.data) return -4;
    if (!wav.read(slot.data, static_cast<long>(bytes))) return -4;
    slot.playing = false;
    slot.position = 0;

    const int tag = format[0] | (format[1] << 8);
    const int bits = format[14] | (format[15] << 8);
    if (formatSize < 16 && tag == FormatPcm) return -4;
    if (tag == FormatPcm) {
        if (bits != 16) return -4;  // 8-bit data read as 16-bit would be noise
        const std::size_t count = bytes / 2;
        if (count <= static_cast<std::size_t>(MixHistory)) return -4;
        slot.count = static_cast<int>(count);
    } else if (tag == FormatAdpcm) {
        const int result = LoadAdpcm(slot, format, formatSize, bytes);
        if (result != 0) return result;
    } else {
        return -4;
    }
    return 0;
}

}  // namespace

int LoadSoundSample(const char* fileName) {
    SoundMixer& m = Mixer;
    const int s = m.sampleCount.load();
    if (s < 0 || s >= SoundSlotCapacity) return -5;
    SoundSample& slot = m.slots[s];
    slot.data = nullptr;
    slot.shared = false;
    slot.count = 0;
    const int result = ReadSample(slot, fileName);
    if (result < 0) {
        std::free(slot.data);  // a refused file keeps nothing
        slot.data = nullptr;
        slot.count = 0;
        return result;
    }
    m.sampleCount.store(s + 1, std::memory_order_release);  // the slot is whole before the mixer counts it
    return s;
}
