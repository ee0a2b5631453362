#pragma once
// Drives the mixer on the headless output, one buffer at a time.

#include "audio/sound_mixer.h"
#include "math/vector3.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A slot holding `samples`, as a loaded sound.
    static int addSample(const std::vector<std::int16_t>& samples);
    static int addConstant(int count, std::int16_t value);
    // Plays one buffer, which the mixer then refills; returns the refilled
    // buffer (1024 frames, left first).
    static const std::int16_t* mix();
    static void setClockMs(std::uint32_t ms);

    Vector3 listener{};
    Vector3 facing{0.0f, 0.0f, 1.0f};
};

inline constexpr std::uint32_t StartMs = 1000;
