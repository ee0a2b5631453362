// libFuzzer entry: one picture reader (FUZZ_DECODER) on any bytes. It must
// refuse with the picture empty, or decode exactly width x height pixels
// within the size limits, without touching memory outside its buffers.

#include "image/image_decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Image image;
    if (!FUZZ_DECODER(data, size, image)) {
        if (!image.pixels.empty()) std::abort();
        return 0;
    }
    if (image.width <= 0 || image.height <= 0 || image.width > MaxImageSide || image.height > MaxImageSide ||
        static_cast<std::int64_t>(image.width) * image.height > MaxImagePixels)
        std::abort();
    if (image.pixels.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4)
        std::abort();
    return 0;
}
