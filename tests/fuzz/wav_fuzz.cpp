// libFuzzer entry: a WAV file (PCM or ADPCM) through the loader into the
// mixer's slot table, then played for a few buffers at two rates, so the
// mixer reads every sample the loader claims to have.

#include "audio/sound_mixer.h"
#include "audio/wav_loader.h"
#include "fuzz_folder.h"
#include "math/vector3.h"
#include "platform/headless/headless.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const FuzzFolder Folder;
Vector3 Listener{0.0f, 0.0f, 0.0f};
Vector3 Facing{0.0f, 0.0f, 1.0f};
const float Emitter[3] = {3.0f, 0.0f, 4.0f};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::headless::PlugAudioOutput();
    Mixer.listener = &Listener;
    Mixer.facing = &Facing;
    if (OpenSoundMixer() != 0) std::abort();
    Folder.write("fuzz.wav", data, size);
    const int slot = LoadSoundSample("fuzz.wav");
    if (slot < -5 || slot >= SoundSlotCapacity) std::abort();
    if (slot >= 0) {
        const SoundSample& sample = Mixer.slots[slot];
        if (!sample.data || sample.count <= MixHistory) std::abort();
        for (float rate : {1.0f, 2.5f}) {
            PlaySoundAt(slot, Emitter, rate, 1.0f);
            for (int buffer = 0; buffer < 3; ++buffer) {
                PublishSoundPositions();
                if (!platform::headless::PlayAudioBuffer()) std::abort();
            }
        }
    } else if (Mixer.sampleCount.load() != 0) {
        std::abort();  // a refused file takes no slot
    }
    CloseSoundMixer();
    platform::headless::ClearMessageBoxes();
    return 0;
}
