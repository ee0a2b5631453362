// JPEG pictures through libjpeg, which must never end the game over a bad file.
#include "image/reader_support.h"

#include <csetjmp>
#include <cstdio>  // before jpeglib.h, which needs FILE

#include <jpeglib.h>

#include <jerror.h>  // after jpeglib.h, whose configuration it reads

namespace {

using namespace image_reading;

constexpr int MaxJpegScans = 500;  // a progressive file needs a dozen; thousands only waste time
// Each scan may touch every pixel: a large picture gets fewer scans, so that
// no file the size limits admit ties up loading.
constexpr std::int64_t MaxJpegScanPixels = 32 * MaxImagePixels;

struct JpegErrors {
    jpeg_error_mgr manager;  // first, so that libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf escape;
};

JpegErrors& ErrorsOf(j_common_ptr cinfo) { return *reinterpret_cast<JpegErrors*>(cinfo->err); }

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) { std::longjmp(ErrorsOf(cinfo).escape, 1); }

// Warnings that mean part of the picture is not decoded (libjpeg carries on
// with grey blocks) refuse the file; the others (an unknown JFIF version, stray
// bytes between markers) leave the picture whole.
void JpegEmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    switch (cinfo->err->msg_code) {
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_ARITH_BAD_CODE:
        case JWRN_JPEG_EOF:
        case JWRN_MUST_RESYNC: JpegErrorExit(cinfo);
        default: break;
    }
}

void JpegOutputMessage(j_common_ptr) {}

void JpegProgress(j_common_ptr cinfo) {
    const auto& d = *reinterpret_cast<j_decompress_ptr>(cinfo);
    const std::int64_t scans = d.input_scan_number;
    if (scans > MaxJpegScans ||
        scans * std::int64_t{d.image_width} * std::int64_t{d.image_height} > MaxJpegScanPixels)
        JpegErrorExit(cinfo);
}

// Nothing with a destructor may live in this frame: libjpeg errors leave it
// through longjmp.
bool RunJpegDecoder(jpeg_decompress_struct& cinfo, JpegErrors& errors, jpeg_progress_mgr& progress,
                    const std::uint8_t* data, std::size_t size, Image& out) {
    if (setjmp(errors.escape) != 0) return false;
    jpeg_create_decompress(&cinfo);
    cinfo.progress = &progress;  // creation clears it
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
    if (!SizeAllowed(cinfo.image_width, cinfo.image_height)) return false;

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 4 || !SizeAllowed(cinfo.output_width, cinfo.output_height)) return false;

    // Rows are added as they are decoded, so that a short file claiming a
    // large picture fails before its memory is touched.
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    const std::size_t rowSize = static_cast<std::size_t>(out.width) * 4;
    out.pixels.reserve(rowSize * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        out.pixels.resize(out.pixels.size() + rowSize);
        std::uint8_t* row = out.pixels.data() + out.pixels.size() - rowSize;
        JSAMPROW rows[1] = {row};
        if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) return false;
        for (std::size_t i = 0; i < rowSize; i += 4) {
            std::uint8_t* p = row + i;
            if (cmyk) {
                // Adobe inverted CMYK: each byte is 255 minus the ink.
                const unsigned k = p[3];
                const unsigned c = p[0], m = p[1], y = p[2];
                p[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
                p[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
                p[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
            }
            p[3] = 255;
        }
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

}  // namespace

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, Image& out) {
    out = Image{};
    if (!data || size == 0) return false;
    jpeg_decompress_struct cinfo{};
    JpegErrors errors{};
    cinfo.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JpegErrorExit;
    errors.manager.emit_message = JpegEmitMessage;
    errors.manager.output_message = JpegOutputMessage;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = JpegProgress;
    const bool ok = RunJpegDecoder(cinfo, errors, progress, data, size, out);
    jpeg_destroy_decompress(&cinfo);
    return Finish(ok, out);
}
