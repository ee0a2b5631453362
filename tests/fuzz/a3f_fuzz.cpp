// libFuzzer entry: the static and skinned a3f readers on the same bytes,
// then a few frames of playback of whatever they accept. No GL context:
// the in-memory readers load no textures and make no lists.

#include "model/skinned_model.h"
#include "platform/headless/headless.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    StaticModel mesh;
    readStaticModel(mesh, text, size, "fuzz.a3f");
    SkinnedModel model;
    if (readSkinnedModel(model, text, size, "fuzz.a3f")) {
        for (std::uint32_t a = 0; a < model.animationCount; ++a) {
            setAnimation(model, static_cast<int>(a), a % 2 == 0, -0.25f);
            for (int frame = 0; frame < 6; ++frame) updateSkinnedModel(model, 0.2f);
        }
        updateSkinnedModel(model, 0.0f);
    }
    destroySkinnedModel(model);
    platform::headless::ClearMessageBoxes();  // the headless backend keeps every box
    return 0;
}
