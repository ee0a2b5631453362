// libFuzzer entry: every picture reader on the same bytes. Each must refuse
// or decode without reading or writing outside its buffers.

#include "image/image_decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Image image;
    for (auto decode : {DecodeBmp, DecodeTarga, DecodeJpeg}) {
        if (decode(data, size, image) && image.pixels.size() != static_cast<std::size_t>(image.width) *
                                                                    static_cast<std::size_t>(image.height) *
                                                                    4) {
            std::abort();
        }
    }
    return 0;
}
