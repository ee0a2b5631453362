#include "test_pictures.h"

#include <cstdlib>
#include <functional>

namespace {

void Put16(Bytes& b, unsigned v) { b.insert(b.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); }

void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

}  // namespace

Bytes Words(std::initializer_list<unsigned> values) {
    Bytes b;
    for (unsigned v : values) Put16(b, v);
    return b;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes BmpFile(int width, int height, int bits, const Bytes& table, const Bytes& pixels,
              std::uint32_t compression, std::uint32_t colours, const Bytes& headerTail) {
    const auto headerSize = static_cast<std::uint32_t>(40 + headerTail.size());
    const auto offset = static_cast<std::uint32_t>(14 + headerSize + table.size());
    Bytes b = {'B', 'M'};
    Put32(b, offset + static_cast<std::uint32_t>(pixels.size()));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, headerSize);
    Put32(b, static_cast<std::uint32_t>(width));
    Put32(b, static_cast<std::uint32_t>(height));
    Put16(b, 1);
    Put16(b, static_cast<unsigned>(bits));
    Put32(b, compression);
    Put32(b, static_cast<std::uint32_t>(pixels.size()));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, colours);
    Put32(b, 0);
    return b + headerTail + table + pixels;
}

Bytes TgaFile(int type, int depth, int descriptor, int width, int height, const Bytes& colourMap,
              const Bytes& pixels) {
    const bool mapped = !colourMap.empty();
    Bytes b = {2, mapped ? std::uint8_t{1} : std::uint8_t{0}, std::uint8_t(type), 0, 0};
    Put16(b, static_cast<unsigned>(colourMap.size() / 3));
    b.push_back(mapped ? 24 : 0);
    Put32(b, 0);
    Put16(b, static_cast<unsigned>(width));
    Put16(b, static_cast<unsigned>(height));
    b.insert(b.end(), {std::uint8_t(depth), std::uint8_t(descriptor), 'I', 'D'});
    return b + colourMap + pixels;
}

namespace {

// Compresses `samples`, rows of width * components bytes, with libjpeg's
// defaults as `adjust` changes them.
Bytes CompressJpeg(int width, int height, int components, J_COLOR_SPACE space, const Bytes& samples,
                   const std::function<void(jpeg_compress_struct&)>& adjust) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    adjust(cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t rowSize = static_cast<std::size_t>(width * components);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(samples.data() + cinfo.next_scanline * rowSize);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes file(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return file;
}

}  // namespace

Bytes JpegFile(int width, int height, int components, J_COLOR_SPACE space, const Bytes& samples) {
    return CompressJpeg(width, height, components, space, samples, [](jpeg_compress_struct& cinfo) {
        jpeg_set_quality(&cinfo, 100, TRUE);
        // No chroma subsampling: each 8 x 8 block keeps its own colour.
        for (int c = 0; c < cinfo.num_components; ++c) {
            cinfo.comp_info[c].h_samp_factor = 1;
            cinfo.comp_info[c].v_samp_factor = 1;
        }
    });
}

Bytes ProgressiveJpegFile(int width, int height, int repeats) {
    static const jpeg_scan_info scans[2] = {{1, {0, 0, 0, 0}, 0, 0, 0, 0}, {1, {0, 0, 0, 0}, 1, 63, 0, 0}};
    const Bytes grey(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 90);
    Bytes file = CompressJpeg(width, height, 1, JCS_GRAYSCALE, grey, [](jpeg_compress_struct& cinfo) {
        cinfo.scan_info = scans;
        cinfo.num_scans = 2;
    });

    // The AC scan runs from the last start-of-scan marker to the end marker.
    std::size_t last = 0;
    for (std::size_t i = 0; i + 1 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0xDA) last = i;
    }
    const Bytes scan(file.begin() + static_cast<long>(last), file.end() - 2);
    for (int i = 0; i < repeats; ++i) file.insert(file.end() - 2, scan.begin(), scan.end());
    return file;
}

std::string AsString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::vector<Pixel> PixelsOf(const Image& image) {
    std::vector<Pixel> pixels(image.pixels.size() / 4);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        for (int k = 0; k < 4; ++k) pixels[i][k] = image.pixels[4 * i + k];
    }
    return pixels;
}
