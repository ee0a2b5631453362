#include "audio/wav_loader.h"
#include "audio/sound_mixer.h"
#include "platform/headless/headless.h"
#include "sounds/wav_writer.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Bytes = std::string;

Bytes U16(int v) { return {static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff)}; }
Bytes U32(std::uint32_t v) { return U16(static_cast<int>(v & 0xffff)) + U16(static_cast<int>(v >> 16)); }
Bytes Chunk(const Bytes& id, const Bytes& body) {
    return id + U32(static_cast<std::uint32_t>(body.size())) + body;
}
Bytes Riff(const Bytes& chunks) {
    return "RIFF" + U32(static_cast<std::uint32_t>(chunks.size() + 4)) + "WAVE" + chunks;
}

Bytes PcmFormat(int bits = 16, int tag = 1) {
    return U16(tag) + U16(1) + U32(11025) + U32(11025 * bits / 8) + U16(bits / 8) + U16(bits);
}

// Samples 0, 1, 2, ... as 16-bit data.
Bytes Ramp(int count) {
    Bytes out;
    for (int i = 0; i < count; ++i) out += U16(i);
    return out;
}

Bytes ToBytes(const std::vector<std::uint8_t>& v) { return {v.begin(), v.end()}; }

class WavLoaderTest : public GameFolderTest {
protected:
    void TearDown() override { CloseSoundMixer(); }
    int load(const Bytes& contents) {
        folder_.writeMedia("test.wav", contents);
        return LoadSoundSample("test.wav");
    }
};

TEST_F(WavLoaderTest, PcmWithAChunkBeforeItsDataLoadsAsItIs) {
    const int slot =
        load(Riff(Chunk("fmt ", PcmFormat()) + Chunk("LIST", "INFOxyz") + Chunk("data", Ramp(11025))));
    ASSERT_EQ(slot, 0);
    EXPECT_EQ(Mixer.sampleCount.load(), 1);
    const SoundSample& s = Mixer.slots[0];
    EXPECT_EQ(s.count, 11025);
    EXPECT_FALSE(s.shared);
    EXPECT_EQ(s.data[0], 0);
    EXPECT_EQ(s.data[11024], 11024);
    EXPECT_NEAR(SoundLength(slot), 1.0f, 1e-6f);
    // The next file takes the next slot.
    EXPECT_EQ(load(Riff(Chunk("fmt ", PcmFormat()) + Chunk("data", Ramp(100)))), 1);
}

TEST_F(WavLoaderTest, EachMalformedFileGetsItsCode) {
    const Bytes fmt = Chunk("fmt ", PcmFormat());
    const Bytes data = Chunk("data", Ramp(100));
    EXPECT_EQ(load("RIFX" + U32(4) + "WAVX" + fmt + data), 0);  // three letters decide, so this one loads
    CloseSoundMixer();
    EXPECT_EQ(load("RAFF" + U32(4) + "WAVE" + fmt + data), -1);
    EXPECT_EQ(load("RIFF" + U32(4) + "AVI " + fmt + data), -2);
    EXPECT_EQ(load(Riff(Chunk("LIST", "abcd") + fmt + data)), -3);                   // fmt must come first
    EXPECT_EQ(load(Riff(Chunk("fmt ", PcmFormat() + Bytes(36, '\0')) + data)), -4);  // 52 bytes
    EXPECT_EQ(load(Riff(Chunk("fmt ", PcmFormat(16, 3)) + data)), -4);               // float samples
    EXPECT_EQ(load(Riff(Chunk("fmt ", PcmFormat(8)) + data)), -4);
    EXPECT_EQ(load(Riff(fmt)), -4);                                        // no data chunk at all
    EXPECT_EQ(load(Riff(fmt + "LIST" + U32(1000) + "ab")), -4);            // a chunk longer than the file
    EXPECT_EQ(load(Riff(fmt + "data" + U32(1000) + Ramp(100))), -4);       // data longer than the file
    EXPECT_EQ(load(Riff(fmt + Chunk("data", Ramp(16)))), -4);              // too short to play
    EXPECT_EQ(load("RIFF" + U32(4) + "WAVEfmt " + U32(16) + "\x01"), -4);  // format cut short
    EXPECT_EQ(load("RI"), -1);
    EXPECT_EQ(load(""), -1);
    // None of them took a slot or a message box.
    EXPECT_EQ(Mixer.sampleCount.load(), 0);
    EXPECT_TRUE(platform::headless::MessageBoxes().empty());
    EXPECT_EQ(load(Riff(fmt + Chunk("data", Ramp(17)))), 0);
}

TEST_F(WavLoaderTest, MissingFileIsReportedWithItsFullPath) {
    EXPECT_EQ(LoadSoundSample("nowhere.wav"), -1);
    ASSERT_EQ(platform::headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(platform::headless::MessageBoxes()[0].text,
              "Could not open file: " + folder_.media("nowhere.wav") + " The application will continue.");
    EXPECT_EQ(Mixer.sampleCount.load(), 0);
}

TEST_F(WavLoaderTest, AdpcmIsDecodedToSixteenBitSamples) {
    std::vector<std::int16_t> tone(1234);
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<std::int16_t>((i % 50) * 400 - 10000);
    const Bytes file = ToBytes(encodeAdpcmWav(tone, 11025));
    const int slot = load(file);
    ASSERT_EQ(slot, 0);
    EXPECT_EQ(Mixer.slots[0].count, 1500);  // three whole blocks of 500
    int close = 0;
    for (std::size_t i = 0; i < tone.size(); ++i) close += std::abs(Mixer.slots[0].data[i] - tone[i]) < 2000;
    EXPECT_GT(close, 1150);
}

TEST_F(WavLoaderTest, AdpcmFieldsThatDoNotFitTheFileAreRefused) {
    const Bytes good = ToBytes(encodeAdpcmWav(std::vector<std::int16_t>(1000, 300), 11025));
    const std::size_t body = 20;  // the format body starts after "RIFF", size, "WAVE", "fmt ", size
    auto patched = [&](std::size_t at, int value) {
        Bytes file = good;
        file.replace(body + at, 2, U16(value));
        return file;
    };
    EXPECT_EQ(load(good), 0);
    CloseSoundMixer();
    EXPECT_EQ(load(patched(12, 3)), -5);     // block shorter than its header
    EXPECT_EQ(load(patched(18, 9000)), -5);  // more samples than a block holds
    EXPECT_EQ(load(patched(20, 9)), -5);     // more coefficient pairs than the body
    Bytes predictor = good;
    predictor[good.find("data") + 8] = 9;  // the first block names a pair that does not exist
    EXPECT_EQ(load(predictor), -5);
    EXPECT_EQ(Mixer.sampleCount.load(), 0);
}

TEST_F(WavLoaderTest, AFullSlotTableRefusesMore) {
    const Bytes file = Riff(Chunk("fmt ", PcmFormat()) + Chunk("data", Ramp(100)));
    for (int i = 0; i < SoundSlotCapacity; ++i) ASSERT_EQ(load(file), i);
    EXPECT_EQ(load(file), -5);
    EXPECT_EQ(Mixer.sampleCount.load(), SoundSlotCapacity);
}

}  // namespace
