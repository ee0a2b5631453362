#include "jpeg_writer.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <jpeglib.h>

namespace {

// Everything the encoder touches lives here, so nothing on the stack of
// runEncoder changes between setjmp and a longjmp out of libjpeg.
struct EncodeJob {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    std::jmp_buf failed;
    char message[JMSG_LENGTH_MAX];
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const RgbImage* image = nullptr;
    int quality = 90;
};

void onError(j_common_ptr info) {
    EncodeJob* job = static_cast<EncodeJob*>(info->client_data);
    (*info->err->format_message)(info, job->message);
    std::longjmp(job->failed, 1);
}

void onMessage(j_common_ptr, int) {}

bool runEncoder(EncodeJob* job) {
    job->info.err = jpeg_std_error(&job->errors);
    job->errors.error_exit = onError;
    job->errors.emit_message = onMessage;
    job->info.client_data = job;
    if (setjmp(job->failed)) {
        jpeg_destroy_compress(&job->info);
        return false;
    }
    jpeg_create_compress(&job->info);
    jpeg_mem_dest(&job->info, &job->buffer, &job->size);
    job->info.image_width = static_cast<JDIMENSION>(job->image->width);
    job->info.image_height = static_cast<JDIMENSION>(job->image->height);
    job->info.input_components = 3;
    job->info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&job->info);
    jpeg_set_quality(&job->info, job->quality, TRUE);
    job->info.optimize_coding = TRUE;
    jpeg_start_compress(&job->info, TRUE);
    while (job->info.next_scanline < job->info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(job->image->at(0, static_cast<int>(job->info.next_scanline)));
        jpeg_write_scanlines(&job->info, &row, 1);
    }
    jpeg_finish_compress(&job->info);
    jpeg_destroy_compress(&job->info);
    return true;
}

}  // namespace

bool encodeJpeg(const RgbImage& image, int quality, std::vector<std::uint8_t>& bytes, std::string& error) {
    if (image.width <= 0 || image.height <= 0) {
        error = "cannot encode an empty picture";
        return false;
    }
    auto job = std::make_unique<EncodeJob>();
    job->image = &image;
    job->quality = quality;
    job->message[0] = '\0';
    const bool ok = runEncoder(job.get());
    if (ok)
        bytes.assign(job->buffer, job->buffer + job->size);
    else
        error = std::string("JPEG encoding failed: ") + job->message;
    std::free(job->buffer);
    return ok;
}
