#include "audio/adpcm_decoder.h"
#include "sounds/sounds.h"
#include "sounds/wav_writer.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// The data chunk and format body of a WAV file made by our writer or by sox.
struct WavParts {
    std::vector<std::uint8_t> format;
    std::vector<std::uint8_t> data;
};

std::uint32_t Read32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

WavParts Split(const std::vector<std::uint8_t>& file) {
    WavParts parts;
    for (std::size_t at = 12; at + 8 <= file.size();) {
        const std::string id(file.begin() + static_cast<long>(at), file.begin() + static_cast<long>(at) + 4);
        const std::uint32_t size = Read32(file, at + 4);
        const auto body = file.begin() + static_cast<long>(at) + 8;
        const std::size_t available = std::min<std::size_t>(size, file.size() - at - 8);
        if (id == "fmt ") parts.format.assign(body, body + static_cast<long>(available));
        if (id == "data") parts.data.assign(body, body + static_cast<long>(available));
        at += 8 + size + (size & 1u);
    }
    return parts;
}

std::vector<std::int16_t> Decode(const WavParts& parts) {
    AdpcmFormat format;
    EXPECT_TRUE(readAdpcmFormat(parts.format.data(), parts.format.size(), format));
    std::vector<std::int16_t> out(adpcmDecodedSamples(format, parts.data.size()));
    EXPECT_TRUE(decodeAdpcm(format, parts.data.data(), parts.data.size(), out.data()));
    return out;
}

class SoxFiles : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    void SetUp() override {
        char pattern[] = "/tmp/umbrafall-adpcm-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }

    void write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    }
    std::vector<std::uint8_t> read(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::vector<std::int16_t> soxDecode(const std::string& name) const {
        const std::string raw = path(name + ".raw");
        const std::string command =
            "sox '" + path(name) + "' -t raw -e signed-integer -b 16 -L '" + raw + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        const std::vector<std::uint8_t> bytes = read(name + ".raw");
        std::vector<std::int16_t> samples(bytes.size() / 2);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        return samples;
    }

    std::string folder_;
};

TEST_F(SoxFiles, OurDecodeOfOurFilesMatchesSoxSampleForSample) {
    for (const auto& sound : {makeKnockoutSound(), makeCoinsSound(), makeMonsterSound()}) {
        const std::vector<std::uint8_t> file = encodeAdpcmWav(sound, SoundRate);
        write("ours.wav", file);
        const std::vector<std::int16_t> reference = soxDecode("ours.wav");
        const std::vector<std::int16_t> decoded = Decode(Split(file));
        ASSERT_GE(decoded.size(), sound.size());
        ASSERT_GE(reference.size(), sound.size());
        for (std::size_t i = 0; i < sound.size(); ++i) ASSERT_EQ(decoded[i], reference[i]) << "sample " << i;
    }
}

TEST_F(SoxFiles, OurDecodeOfFilesSoxEncodedMatchesSox) {
    // Mono and stereo, a rate and block size other than ours, and a short last block.
    std::vector<std::int16_t> tone(7777 * 2);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<std::int16_t>(9000.0 * std::sin(0.031 * static_cast<double>(i)) +
                                            5000.0 * std::sin(0.47 * static_cast<double>(i / 2)));
    write("tone.wav", encodePcmWav(tone, 22050));
    for (const char* channels : {"1", "2"}) {
        const std::string command =
            "sox '" + path("tone.wav") + "' -c " + channels + " -e ms-adpcm '" + path("sox.wav") + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const std::vector<std::int16_t> reference = soxDecode("sox.wav");
        const std::vector<std::int16_t> decoded = Decode(Split(read("sox.wav")));
        ASSERT_GE(decoded.size(), reference.size());
        ASSERT_GT(reference.size(), 1000u);
        for (std::size_t i = 0; i < reference.size(); ++i)
            ASSERT_EQ(decoded[i], reference[i]) << "sample " << i;
    }
}

TEST(AdpcmEncoder, RoundTripKeepsTheSoundClose) {
    for (const auto& sound :
         {makeKnockoutSound(), makeCoinsSound(), makeMonsterSound(), makeScrunchSound(404, 0.45f)}) {
        const std::vector<std::int16_t> decoded = Decode(Split(encodeAdpcmWav(sound, SoundRate)));
        double signal = 0.0, noise = 0.0;
        for (std::size_t i = 0; i < sound.size(); ++i) {
            signal += static_cast<double>(sound[i]) * sound[i];
            const double miss = static_cast<double>(decoded[i]) - sound[i];
            noise += miss * miss;
        }
        EXPECT_GT(signal, 0.0);
        EXPECT_GT(10.0 * std::log10(signal / noise), 12.0);  // dB
    }
}

TEST(AdpcmFormatCheck, FieldsThatDoNotFitAreRefused) {
    const WavParts good = Split(encodeAdpcmWav(std::vector<std::int16_t>(1000, 100), SoundRate));
    AdpcmFormat format;
    ASSERT_TRUE(readAdpcmFormat(good.format.data(), good.format.size(), format));
    EXPECT_EQ(format.samplesPerBlock, 500);
    EXPECT_EQ(format.coefficientCount, 7);
    auto refused = [&](std::size_t at, int value, std::size_t size = 50) {
        std::vector<std::uint8_t> body = good.format;
        body[at] = static_cast<std::uint8_t>(value & 0xff);
        body[at + 1] = static_cast<std::uint8_t>(value >> 8);
        AdpcmFormat f;
        return !readAdpcmFormat(body.data(), size, f);
    };
    EXPECT_TRUE(refused(2, 0));     // no channels
    EXPECT_TRUE(refused(2, 3));     // three
    EXPECT_TRUE(refused(12, 6));    // block smaller than its header
    EXPECT_TRUE(refused(18, 501));  // more samples than the block holds
    EXPECT_TRUE(refused(20, 8));    // more coefficient pairs than the body
    EXPECT_TRUE(refused(20, 0));
    EXPECT_TRUE(refused(20, 7, 40));  // body cut short
    EXPECT_FALSE(refused(20, 7));

    // A block naming a coefficient pair the format lacks is refused, not read past the table.
    std::vector<std::uint8_t> data = good.data;
    data[0] = 7;
    std::vector<std::int16_t> out(adpcmDecodedSamples(format, data.size()));
    EXPECT_FALSE(decodeAdpcm(format, data.data(), data.size(), out.data()));
    // A short last block decodes only the samples its bytes hold.
    EXPECT_EQ(adpcmDecodedSamples(format, 256 + 7 + 10), 500u + 2 + 20);
    EXPECT_EQ(adpcmDecodedSamples(format, 256 + 6), 500u);
}

// Found by fuzzing: a block whose nibbles keep raising the step overflowed
// the step's int. Its step stops growing instead: full scale up, then one
// largest step down reaches full scale the other way.
TEST(AdpcmDecoder, AStepRaisedWithoutEndStaysInRange) {
    const WavParts good = Split(encodeAdpcmWav(std::vector<std::int16_t>(1000, 100), SoundRate));
    AdpcmFormat format;
    ASSERT_TRUE(readAdpcmFormat(good.format.data(), good.format.size(), format));
    std::vector<std::uint8_t> block = {0, 16, 0, 0, 0, 0, 0};  // pair 0, step 16, both samples 0
    block.insert(block.end(), 30, 0x77);                        // 60 times +7 steps
    block.insert(block.end(), 10, 0x88);                        // 20 times -8 steps
    std::vector<std::int16_t> out(adpcmDecodedSamples(format, block.size()));
    ASSERT_EQ(out.size(), 2u + 80);
    ASSERT_TRUE(decodeAdpcm(format, block.data(), block.size(), out.data()));
    for (std::size_t i = 2 + 20; i < 2 + 60; ++i) ASSERT_EQ(out[i], 32767) << i;
    for (std::size_t i = 2 + 60; i < out.size(); ++i) ASSERT_EQ(out[i], -32768) << i;
}

}  // namespace
